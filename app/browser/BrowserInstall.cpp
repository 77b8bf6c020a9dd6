#include "frame/Panes.h"

#include "frame/MainFrame.h"

namespace orvix {

void installBrowser(MainFrame&) {}

} // namespace orvix
