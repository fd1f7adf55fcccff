// The details tooltip over the Qt-free details text.
#include "ui/DetailsTooltip.h"

#include "console/DetailsText.h"
#include "pdf/PdfToolkit.h"
#include "ui/Form1.h"
#include "ui/ResultModel.h"

namespace tessaly::ui {

TDetailsTooltip::TDetailsTooltip() = default;
TDetailsTooltip::~TDetailsTooltip() = default;

void TDetailsTooltip::Selected(TForm1& form, const engine::ItemData& row) {
  if (!toolkit_) toolkit_ = std::make_unique<pdf::TPdfToolkit>();
  const console::TDetailsText details =
      console::BuildDetailsText(*toolkit_, console::TDetailsRow{row.Name, row.Size, row.Path}, "\r\n");
  form.SetDetailsText(DisplayText(details.text));
  if (!details.complete) return;
  form.Hint().Advance();
  form.RetriggerTooltip();
}

void InstallDetailsTooltip(TForm1& form) {
  auto tooltip = std::make_shared<TDetailsTooltip>();
  form.SetSelectionHandler(
      [tooltip](TForm1& target, const engine::ItemData& row) { tooltip->Selected(target, row); });
}

}  // namespace tessaly::ui
