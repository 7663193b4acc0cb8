#pragma once
// Loftwell keeps no files of its own. Qt's own file dialog saves its history
// (visited folders, shortcuts, view state) through QSettings when it closes;
// this points every QSettings path of the process at a place that can never
// be written. Call once, before any dialog is shown. GUI thread.

void keepNoSettingsFiles();
