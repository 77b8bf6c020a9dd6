// Console entries of the preview and mark-file worker.
#include "console/ConsoleTable.h"

namespace console {
namespace {

void add(ConsoleTable& t) {
    t.member("csImageFile", &CDrvPrint::csImageFile);
    t.member("uiImageStatus", &CDrvPrint::uiImageStatus);
    t.member("uiImageProgress", &CDrvPrint::uiImageProgress);
    t.member("iImageResult", &CDrvPrint::iImageResult);
    t.member("csImageError", &CDrvPrint::csImageError);
    t.member("csStatusText", &CDrvPrint::csStatusText);
    t.method("IMGPreview", &CDrvPrint::IMGPreview);
    t.method("IMGMarkFile", &CDrvPrint::IMGMarkFile);
    t.method("IMGCancelImage", &CDrvPrint::IMGCancelImage);
    t.method("IMGWaitImage", &CDrvPrint::IMGWaitImage);
}

ConsoleRegistrar reg(add);

} // namespace
} // namespace console
