// The details tooltip of the result list: what a newly selected row shows,
// and the move of the tooltip colour to the next entry of its table.
#pragma once

#include <memory>

#include "engine/ItemData.h"

namespace tessaly::pdf {
class TPdfToolkit;
}

namespace tessaly::ui {

class TForm1;

// Builds the tooltip of the form's selected rows over a PDF toolkit of its
// own, made on the first PDF row and kept for the form's life (the search
// uses another one).
class TDetailsTooltip {
 public:
  TDetailsTooltip();
  ~TDetailsTooltip();
  TDetailsTooltip(const TDetailsTooltip&) = delete;
  TDetailsTooltip& operator=(const TDetailsTooltip&) = delete;

  // A row became selected: the form's details text becomes the row's
  // details (lines joined by CR LF, no break at the end of the file
  // lines); then the tooltip colour moves on one entry and the tooltip is
  // shown again at the last mouse position. When a step fails (a ".doc"
  // name that is no compound document) the text keeps what was built
  // before it, and neither the colour nor the tooltip changes.
  void Selected(TForm1& form, const engine::ItemData& row);

 private:
  std::unique_ptr<pdf::TPdfToolkit> toolkit_;
};

// Makes a TDetailsTooltip the form's selection handler for the form's life.
void InstallDetailsTooltip(TForm1& form);

}  // namespace tessaly::ui
