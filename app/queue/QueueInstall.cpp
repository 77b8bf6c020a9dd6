#include "frame/Panes.h"

#include "frame/MainFrame.h"

namespace orvix {

void installQueue(MainFrame&) {}

} // namespace orvix
