#pragma once
// Pictures of the virtual sheet for the virtual printer's window.
#include <QImage>
#include <QSize>

#include <cstdint>
#include <vector>

#include "sim/Sheet.h"

namespace orvix {

// The inked part of the sheet (its extent) in ink colours on white, scaled down to fit `max`
// (never up). Inks multiply as on paper. A null image when nothing is inked.
QImage renderSheet(const sim::Sheet& sheet, const std::vector<uint32_t>& inkRGB, QSize max);

} // namespace orvix
