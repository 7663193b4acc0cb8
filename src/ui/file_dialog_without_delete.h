#pragma once
// Qt's own file dialog lets the user rename and delete files whenever it may
// make folders: a Rename and a Delete entry in its views' context menu, the
// Delete key, F2 and drag-and-drop onto its folders, and its Delete removes a
// folder with everything inside it for good. Loftwell never deletes, so its
// dialogs take all of that away; making a new folder, and naming it as it is
// made, still works. Call after the dialog's options are set, before it is
// shown. GUI thread.

class QFileDialog;

void removeDeleteAndRename(QFileDialog& dialog);
