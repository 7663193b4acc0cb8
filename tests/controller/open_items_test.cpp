// The window started with paths (as the file manager's "Move to External
// Drive…" starts it): the list holds exactly those items, measured,
// classified and ticked, whatever their size, and a transfer moves them.

#include "controller/main_window_controller.h"
#include "controller/window_fixture.h"
#include "model/byte_format.h"
#include "model/text_table.h"
#include "support/test_values.h"
#include "ui/candidate_table_model.h"

#include <QCheckBox>

namespace fs = std::filesystem;

namespace {

class OpenItemsTest : public WindowFixture {
protected:
    OpenItemsTest() : WindowFixture("home") {}
};

} // namespace

TEST_F(OpenItemsTest, ExactlyTheGivenItemsAreListedTickedAndMoved)
{
    const fs::path note = dir / "home" / "Documents" / "note.txt";
    const fs::path clip = dir / "home" / "Videos" / "clip.mkv";
    const fs::path machine = dir / "home" / "VMs" / "Debian";
    writeFile(note, 1000, 'n');
    writeFile(clip, 21 * MiB, 'c');
    writeFile(machine / "Debian.vbox", 3000, 'v');
    writeFile(dir / "home" / "Videos" / "other.mkv", 30 * MiB); // beside, not given
    makeFolder(dir / "drive");

    controller.openItems({note, clip, machine});
    ASSERT_TRUE(waitUntilIdle());
    ASSERT_EQ(ui.rowCount(), 3);
    struct Row {
        const char* name;
        const char* kind;
    };
    for (const Row& expected :
         {Row{"note.txt", "kind.file"}, Row{"clip.mkv", "kind.video"}, Row{"Debian", "kind.virtualMachine"}}) {
        const int row = ui.rowNamed(QString::fromUtf8(expected.name));
        EXPECT_TRUE(ui.ticked(row)) << expected.name; // a caution item too: the user named it
        EXPECT_EQ(ui.cell(row, CandidateTableModel::kindColumn), I18n::text(expected.kind));
    }
    EXPECT_EQ(ui.cell(ui.rowNamed(QStringLiteral("clip.mkv")), CandidateTableModel::sizeColumn), formatBytes(21 * MiB));

    ASSERT_TRUE(moveTickedTo(dir / "drive"));
    ASSERT_EQ(dialogs.alerts.size(), 1u);
    EXPECT_EQ(dialogs.alerts[0].title, I18n::text("alert.done")) << dialogs.alerts[0].message.toStdString();
    const fs::path dated = fs::directory_iterator(dir / "drive" / "Loftwell")->path();
    EXPECT_EQ(readAll(dated / I18n::text("root.documents").toStdString() / "note.txt"), std::string(1000, 'n'));
    EXPECT_TRUE(fs::exists(dated / "VMs" / "Debian" / "Debian.vbox"));
    for (const fs::path& moved : {note, clip, machine})
        EXPECT_FALSE(fs::exists(moved)) << moved;
    EXPECT_TRUE(fs::exists(dir / "home" / "Videos" / "other.mkv"));
}
