#pragma once
// The commands that open the queue part's dialogs: auxiliary switches and head parameters.
namespace orvix {

class MainFrame;

void installDialogCommands(MainFrame& frame);
// Whether the emergency button is pressed, from the status panes' last sample (no waiting).
bool emergencySampled(MainFrame& frame);

} // namespace orvix
