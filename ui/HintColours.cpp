// The 14 tooltip colours and the steps that move through them.
#include "ui/HintColours.h"

namespace tessaly::ui {

const std::vector<QColor>& HintColourTable() {
  static const std::vector<QColor> kTable{
      QColor(190, 235, 254), QColor(172, 252, 225), QColor(0, 249, 249),   QColor(194, 230, 183),
      QColor(222, 234, 142), QColor(180, 240, 166), QColor(219, 176, 221), QColor(158, 217, 245),
      QColor(251, 174, 196), QColor(226, 207, 182), QColor(197, 218, 220), QColor(221, 218, 172),
      QColor(213, 201, 233), QColor(221, 204, 198)};
  return kTable;
}

void THintState::ResetForSearch() {
  table = HintColourTable();
  colour = table.front();
  displayMs = kTooltipDisplayMs;
}

bool THintState::Advance() {
  for (std::size_t i = 0; i < table.size(); ++i) {
    if (table[i] == colour) {
      colour = table[(i + 1) % table.size()];
      return true;
    }
  }
  return false;
}

}  // namespace tessaly::ui
