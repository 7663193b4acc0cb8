// The interface state of every situation, in both languages, against its table.

#include "controller/interface_state.h"

#include "ui/app_color.h"

#include <gtest/gtest.h>

using I18n::Language;

namespace {

struct Row {
    const char* situation;
    InterfaceInputs in;
    // Expected.
    const char* scanTitleKey;
    const char* emptyTitleKey; // nullptr: results show, the empty state's texts stay
    const char* emptySubtitleKey;
    bool progress, summary, table, empty; // visible
    bool selectionButtons, idleControls;  // enabled
};

// Every situation the window can be in, each with and without a destination.
// clang-format off
const Row rows[] = {
    {"before the first scan", {false, false, false, false}, "button.scanStart", "empty.ready.title", "empty.ready.subtitle",
     false, false, false, true, false, true},
    {"before the first scan, destination chosen", {false, false, false, true}, "button.scanStart", "empty.ready.title",
     "empty.ready.subtitle", false, false, false, true, false, true},
    {"a scan found items", {false, true, true, false}, "button.scanAgain", nullptr, nullptr, false, true, true, false, true, true},
    {"a scan found items, destination chosen", {false, true, true, true}, "button.scanAgain", nullptr, nullptr, false, true, true,
     false, true, true},
    {"a scan found nothing", {false, true, false, true}, "button.scanAgain", "empty.noItems.title", "empty.noItems.subtitle",
     false, false, false, true, false, true},
    {"a scan running", {true, false, false, true}, "button.scanStop", "empty.ready.title", "empty.ready.subtitle", true, false,
     false, false, false, false},
    {"a transfer running", {true, true, true, true}, "button.scanStop", nullptr, nullptr, true, false, false, false, false, false},
    {"a scan running again after nothing was found", {true, true, false, false}, "button.scanStop", "empty.noItems.title",
     "empty.noItems.subtitle", true, false, false, false, false, false},
};
// clang-format on

} // namespace

TEST(InterfaceStateTable, EverySituationInBothLanguages)
{
    for (const Language language : {Language::english, Language::chinese}) {
        for (const Row& row : rows) {
            SCOPED_TRACE(std::string(row.situation) + (language == Language::chinese ? " (Chinese)" : " (English)"));
            const InterfaceState state = interfaceState(row.in, language);
            EXPECT_EQ(state.scanTitle, I18n::text(row.scanTitleKey, language));
            EXPECT_EQ(!state.progressStripHidden, row.progress);
            EXPECT_EQ(!state.summaryStripHidden, row.summary);
            EXPECT_EQ(!state.tableHidden, row.table);
            EXPECT_EQ(!state.emptyStateHidden, row.empty);
            EXPECT_EQ(state.selectSafeEnabled, row.selectionButtons);
            EXPECT_EQ(state.selectNoneEnabled, row.selectionButtons);
            EXPECT_EQ(state.scanEnabled, row.idleControls);
            EXPECT_EQ(state.chooseDestinationEnabled, row.idleControls);
            EXPECT_EQ(state.trashCheckboxEnabled, row.idleControls);
            EXPECT_EQ(state.transferEnabled, row.idleControls);
            // The pop-up works exactly when there is a destination and nothing runs.
            EXPECT_EQ(state.drivePopupEnabled, row.in.hasDestination && !row.in.busy);
            EXPECT_EQ(state.statusDotColor, row.in.hasDestination ? AppColor::emerald : AppColor::mutedText);
            EXPECT_EQ(state.scanFillColor, row.in.busy ? AppColor::red : AppColor::emerald);
            if (row.emptyTitleKey) {
                ASSERT_TRUE(state.emptyState.has_value());
                EXPECT_EQ(state.emptyState->title, I18n::text(row.emptyTitleKey, language));
                EXPECT_EQ(state.emptyState->subtitle, I18n::text(row.emptySubtitleKey, language));
                EXPECT_TRUE(state.emptyState->iconActive);
            } else {
                EXPECT_FALSE(state.emptyState.has_value());
            }
        }
    }
}

TEST(InterfaceStateTable, TheLanguagesDifferAndNoTextIsAKey)
{
    const InterfaceInputs before{false, false, false, false};
    const InterfaceState english = interfaceState(before, Language::english);
    const InterfaceState chinese = interfaceState(before, Language::chinese);
    EXPECT_EQ(english.scanTitle, QStringLiteral("Smart Recommend"));
    EXPECT_EQ(english.emptyState->title, QStringLiteral("Ready to Recommend"));
    EXPECT_NE(chinese.scanTitle, english.scanTitle);
    EXPECT_NE(chinese.emptyState->title, english.emptyState->title);
    EXPECT_FALSE(chinese.scanTitle.contains(QLatin1Char('.')));
}
