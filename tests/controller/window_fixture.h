#pragma once
// A controller with its view on screen (offscreen), over a fresh folder, a
// scripted file-system layer whose home is a folder inside it (its system
// calls through `io`, which a test may slow down or fail), and scripted
// dialogs: the common ground of the tests that drive the window.

#include "controller/main_window_controller.h"
#include "support/fault_injecting_io.h"
#include "support/scripted_dialogs.h"
#include "support/scripted_file_system.h"
#include "support/temp_dir.h"
#include "support/window_probe.h"
#include "ui/window_layout.h"

#include <QCheckBox>

#include <QTest>

#include <gtest/gtest.h>

class WindowFixture : public ::testing::Test {
protected:
    // `home`: the home folder, relative to the test's folder ("" for the folder itself).
    explicit WindowFixture(const std::filesystem::path& home = {}) : fileSystem(io), controller(fileSystem, dialogs)
    {
        fileSystem.setHome(home.empty() ? dir.path() : dir / home);
        view = controller.view();
        view->resize(WindowMetrics::initialSize);
        view->show();
        ui.root = view;
    }

    // Waits for a scan or transfer to end; false when it did not in time.
    bool waitUntilIdle(int milliseconds = 20'000)
    {
        return QTest::qWaitFor([&] { return !ui.busy(); }, milliseconds);
    }

    // The ticked items moved to `drive` with their originals to the Trash,
    // the confirmation accepted; false when it did not end in time.
    bool moveTickedTo(const std::filesystem::path& drive)
    {
        dialogs.folderAnswers.push_back({drive});
        controller.refreshVolumesAction();
        ui.moveToTrashCheckbox()->setChecked(true);
        dialogs.confirmAnswers.push_back(true);
        controller.transferAction();
        return waitUntilIdle(60'000);
    }

    TempDir dir;
    FaultInjectingIo io;
    ScriptedFileSystem fileSystem;
    ScriptedDialogs dialogs;
    MainWindowController controller;
    QWidget* view;
    WindowProbe ui;
};
