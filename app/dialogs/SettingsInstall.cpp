#include "frame/Panes.h"

#include "frame/MainFrame.h"

namespace orvix {

void installSettings(MainFrame&) {}

} // namespace orvix
