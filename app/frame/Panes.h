#pragma once
// Each pane and dialog family installs itself into a new frame: its widgets, its command handlers
// and the application hooks it provides. Called once, at the end of the frame's construction.
namespace orvix {

class MainFrame;
class OrvixApp;

void installQueue(MainFrame& frame);    // app/queue: print queue, print control commands
void installBrowser(MainFrame& frame);  // app/browser: RIP folder, thumbnails, image view
void installSettings(MainFrame& frame); // app/dialogs: settings sheet, inspection, job records
// What the settings part provides before any frame exists (the start-up inspection runs before the
// frame is made) and the dialogs it adds to the screenshots. Called by the application object.
void installSettingsHooks(OrvixApp& app);

} // namespace orvix
