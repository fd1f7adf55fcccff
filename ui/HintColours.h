// The details tooltip's colour table and display time.
//
// The table is empty until a search button press fills it; until then the
// tooltip keeps the system's colour. Each press also puts the colour back to
// the first entry and sets the display time.
#pragma once

#include <QColor>
#include <vector>

namespace tessaly::ui {

// How long the details tooltip stays visible.
constexpr int kTooltipDisplayMs = 9000;

struct THintState {
  std::vector<QColor> table;  // empty until the first search button press
  QColor colour;              // invalid: the system's tooltip colour
  int displayMs = -1;         // -1: the system's display time

  // The steps of a search button press: fill the 14 colours, colour =
  // entry 1, display time 9000 ms.
  void ResetForSearch();
  // Moves the colour to the entry after the first one equal to it (entry 1
  // after entry 14). Returns false, changing nothing, when no entry matches
  // (also while the table is empty).
  bool Advance();
};

// The 14 colours, in order.
const std::vector<QColor>& HintColourTable();

}  // namespace tessaly::ui
