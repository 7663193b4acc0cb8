// The custom-drawn controls, read back as pixels: colours, borders, clipping and looks.

#include "ui/app_color.h"
#include "ui/app_font.h"
#include "ui/drive_icon_view.h"
#include "ui/empty_icon_view.h"
#include "ui/empty_state_view.h"
#include "ui/illustration_geometry.h"
#include "ui/label.h"
#include "ui/risk_badge_view.h"
#include "ui/rounded_view.h"
#include "ui/separator_view.h"
#include "ui/styled_button.h"
#include "ui/table_row_look.h"
#include "ui/tick_box.h"

#include <QAccessible>
#include <QApplication>
#include <QImage>
#include <QSignalSpy>
#include <QStyle>
#include <QStyleOptionButton>
#include <QTest>

#include <gtest/gtest.h>

namespace {

QColor pixel(QWidget& widget, int x, int y)
{
    return widget.grab().toImage().pixelColor(x, y);
}

// A view placed on a plain white parent, so that what it leaves
// transparent reads as white.
template <class View>
struct OnWhite {
    template <class... Args>
    explicit OnWhite(QSize size, Args&&... args) : parent(AppColor::white, std::nullopt, 0, 0)
    {
        parent.resize(size);
        view = new View(std::forward<Args>(args)..., &parent);
        view->setGeometry(0, 0, size.width(), size.height());
    }
    QColor at(int x, int y) { return pixel(parent, x, y); }

    RoundedView parent;
    View* view;
};

} // namespace

TEST(RoundedView, FillsAndBordersAtTheExactColours)
{
    RoundedView view(AppColor::white, AppColor::border, 1, 8);
    view.resize(260, 30);
    EXPECT_EQ(pixel(view, 130, 15), AppColor::white);
    EXPECT_EQ(pixel(view, 130, 0), AppColor::border);
    EXPECT_EQ(pixel(view, 259, 15), AppColor::border);
    view.setFillColor(AppColor::emeraldTint);
    EXPECT_EQ(pixel(view, 130, 15), AppColor::emeraldTint);
    view.setBorderColor(std::nullopt);
    EXPECT_EQ(pixel(view, 130, 0), AppColor::emeraldTint);
}

TEST(RoundedView, ClipsItsChildrenOnlyWhenRounded)
{
    RoundedView parent(AppColor::white, std::nullopt, 0, 0);
    parent.resize(100, 100);
    RoundedView view(AppColor::window, std::nullopt, 0, 0, &parent);
    view.setGeometry(0, 0, 100, 100);
    RoundedView child(AppColor::red, std::nullopt, 0, 0, &view);
    child.setGeometry(0, 0, 100, 100);
    EXPECT_EQ(pixel(parent, 0, 0), AppColor::red);
    view.setCornerRadius(20);
    EXPECT_EQ(pixel(parent, 0, 0), AppColor::white);
    EXPECT_EQ(pixel(parent, 50, 50), AppColor::red);
    view.setCornerRadius(0);
    EXPECT_EQ(pixel(parent, 0, 0), AppColor::red);
}

TEST(SeparatorView, IsAHairlineInTheBorderColour)
{
    SeparatorView line;
    line.resize(200, 1);
    EXPECT_EQ(pixel(line, 100, 0), AppColor::border);
}

TEST(StyledButton, SwitchesBetweenItsTwoLooksWithoutHelp)
{
    StyledButton button(QStringLiteral("Transfer →"));
    button.resize(120, 36);
    button.setFillColor(AppColor::emerald);
    button.setTitleColor(AppColor::white);
    EXPECT_EQ(pixel(button, 4, 18), AppColor::emerald);
    button.setEnabled(false);
    EXPECT_EQ(pixel(button, 4, 18), AppColor::border);
    EXPECT_EQ(button.currentTitleColor(), AppColor::mutedText);
    button.setEnabled(true);
    EXPECT_EQ(pixel(button, 4, 18), AppColor::emerald);
    EXPECT_EQ(button.currentTitleColor(), AppColor::white);
    // Default colours of a fresh button.
    StyledButton plain(QStringLiteral("Choose Destination"));
    plain.resize(150, 36);
    EXPECT_EQ(pixel(plain, 4, 18), AppColor::control);
    EXPECT_EQ(plain.currentTitleColor(), AppColor::secondaryText);
}

TEST(StyledButton, KeepsItsTitleFontAndItsTitleColourAcrossChanges)
{
    StyledButton button(QStringLiteral("Smart Recommend"));
    button.resize(160, 36);
    button.setTitleColor(AppColor::white);
    button.setFillColor(AppColor::red);
    button.setText(QStringLiteral("Scanning"));
    EXPECT_EQ(button.font().pixelSize(), StyledButton::titleSize);
    EXPECT_EQ(button.currentTitleColor(), AppColor::white);
    const QImage image = button.grab().toImage();
    bool whiteText = false;
    for (int x = 0; x < image.width() && !whiteText; ++x)
        whiteText = image.pixelColor(x, 18) == AppColor::white;
    EXPECT_TRUE(whiteText);
    EXPECT_EQ(image.pixelColor(4, 18), AppColor::red);
}

TEST(StyledButton, WorksFromTheKeyboardAndTellsAssistiveTechnology)
{
    StyledButton button(QStringLiteral("Select None"));
    button.resize(120, 36);
    button.show();
    QSignalSpy clicked(&button, &QAbstractButton::clicked);
    button.setFocus();
    QTest::keyClick(&button, Qt::Key_Space);
    EXPECT_EQ(clicked.count(), 1);
    EXPECT_EQ(button.focusPolicy(), Qt::StrongFocus);
    // A ring only for focus that came from the keyboard.
    QApplication::setActiveWindow(&button);
    button.clearFocus();
    button.setFocus(Qt::MouseFocusReason);
    const QRgb plain = pixel(button, 1, 18).rgb();
    button.clearFocus();
    button.setFocus(Qt::TabFocusReason);
    ASSERT_TRUE(button.hasFocus());
    EXPECT_NE(pixel(button, 1, 18).rgb(), plain);
    QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(&button);
    ASSERT_NE(accessible, nullptr);
    EXPECT_EQ(accessible->role(), QAccessible::Button);
    EXPECT_EQ(accessible->text(QAccessible::Name), QStringLiteral("Select None"));
    button.setEnabled(false);
    EXPECT_TRUE(accessible->state().disabled);
}

TEST(StyledButton, ReturnAndEnterPressItAndAmpersandsStayLiteral)
{
    StyledButton button(QStringLiteral("Authorize & Recommend"));
    button.resize(button.sizeHint());
    button.show();
    QApplication::setActiveWindow(&button);
    button.setFocus(Qt::TabFocusReason);
    QSignalSpy clicked(&button, &QAbstractButton::clicked);
    QTest::keyClick(&button, Qt::Key_Return);
    QTest::keyClick(&button, Qt::Key_Enter, Qt::KeypadModifier);
    EXPECT_EQ(clicked.count(), 2);
    QTest::keyClick(&button, Qt::Key_Return, Qt::ControlModifier); // not a plain Return
    EXPECT_EQ(clicked.count(), 2);
    button.setEnabled(false);
    QTest::keyClick(&button, Qt::Key_Return);
    EXPECT_EQ(clicked.count(), 2);

    // Read and sized with its "&", and no shortcut is made of it.
    EXPECT_EQ(QAccessible::queryAccessibleInterface(&button)->text(QAccessible::Name),
              QStringLiteral("Authorize & Recommend"));
    EXPECT_EQ(button.title(), QStringLiteral("Authorize & Recommend"));
    EXPECT_EQ(button.sizeHint().width(),
              button.fontMetrics().horizontalAdvance(QStringLiteral("Authorize & Recommend")) + 32);
    button.setTitle(QStringLiteral("A&B"));
    EXPECT_EQ(QAccessible::queryAccessibleInterface(&button)->text(QAccessible::Name), QStringLiteral("A&B"));
    EXPECT_TRUE(button.shortcut().isEmpty());
}

TEST(TickCheckBox, TicksInEmeraldLikeTheTable)
{
    RoundedView sheet(AppColor::white, std::nullopt, 0, 0);
    sheet.resize(300, 40);
    auto* box = new TickCheckBox(QStringLiteral("Move originals to Trash after copy"), &sheet);
    box->setGeometry(0, 0, 300, 40);
    sheet.show();
    QStyleOptionButton option;
    option.initFrom(box);
    const QRect indicator = box->style()->subElementRect(QStyle::SE_CheckBoxIndicator, &option, box);
    // A point of the box's fill that the tick does not cross.
    const QPoint fill(indicator.left() + indicator.width() / 2, indicator.top() + indicator.height() / 6 + 1);
    EXPECT_EQ(pixel(sheet, fill.x(), fill.y()), AppColor::white);
    box->setChecked(true);
    EXPECT_EQ(pixel(sheet, fill.x(), fill.y()), AppColor::emerald);
    box->setEnabled(false);
    EXPECT_EQ(pixel(sheet, fill.x(), fill.y()), AppColor::mutedText);
}

TEST(RiskBadgeView, IsAPillAtLeast38By18WithItsLabelFirst)
{
    const BadgeColors caution = badgeColors(RiskLevel::caution);
    RiskBadgeView empty(QString(), caution.foreground, caution.background);
    empty.resize(empty.sizeHint());
    EXPECT_EQ(empty.size(), QSize(38, 18));
    EXPECT_EQ(empty.findChildren<QLabel*>().value(0), empty.textLabel());
    EXPECT_EQ(empty.textLabel()->font().pixelSize(), 11);
    EXPECT_EQ(pixel(empty, 19, 2), QColor(255, 247, 220));
    EXPECT_NE(pixel(empty, 0, 0), QColor(255, 247, 220)); // rounded corner

    const BadgeColors safe = badgeColors(RiskLevel::safe);
    RiskBadgeView badge(QStringLiteral("Recommended"), safe.foreground, safe.background);
    badge.resize(badge.sizeHint());
    EXPECT_GT(badge.width(), 38);
    EXPECT_EQ(badge.textLabel()->textColor(), AppColor::emeraldDark);
    EXPECT_EQ(badgeColors(RiskLevel::application).foreground, QColor(30, 71, 163));
    EXPECT_EQ(badgeColors(RiskLevel::application).background, QColor(219, 233, 255));
}

TEST(Label, IsPlainOneLineTextThatMayShrink)
{
    Label* label = makeLabel(QStringLiteral("Finding movable recommendations..."), 13, FontWeight::semibold,
                             AppColor::secondaryText);
    EXPECT_EQ(label->textInteractionFlags(), Qt::NoTextInteraction);
    EXPECT_FALSE(label->autoFillBackground());
    EXPECT_EQ(label->minimumSizeHint().width(), 0);
    EXPECT_EQ(label->font().pixelSize(), 13);
    EXPECT_EQ(label->textColor(), AppColor::secondaryText);
    delete label;
}

TEST(AppFont, UsesPixelSizesAndTheRequestedWeight)
{
    const QFont font = appFont(14, FontWeight::semibold);
    EXPECT_EQ(font.pixelSize(), 14);
    EXPECT_EQ(font.weight(), hasGeistFont() ? QFont::Bold : QFont::DemiBold);
    EXPECT_EQ(appFont(13, FontWeight::medium).weight(), hasGeistFont() ? QFont::Normal : QFont::Medium);
    EXPECT_TRUE(font.families().contains(QStringLiteral("Noto Sans CJK SC")));
}

TEST(TableRowLook, PlainWhiteWithALineOnTop)
{
    QImage image(100, 44, QImage::Format_ARGB32);
    image.fill(Qt::red);
    QPainter painter(&image);
    paintTableRowBackground(painter, QRect(0, 0, 100, 44));
    painter.end();
    EXPECT_EQ(image.pixelColor(50, 0), AppColor::border);
    EXPECT_EQ(image.pixelColor(50, 1), AppColor::white);
    EXPECT_EQ(image.pixelColor(99, 43), AppColor::white);
}

TEST(DriveIconView, DrawsTheOutlineAndSlotWhereTheyBelong)
{
    const DriveIconGeometry geometry = driveIconGeometry(QRectF(0, 0, 40, 40));
    EXPECT_EQ(geometry.outline, QRectF(10, 12, 20, 16));
    EXPECT_EQ(geometry.slot, QLineF(14, 23, 26, 23));

    OnWhite<DriveIconView> icon(QSize(40, 40));
    EXPECT_EQ(icon.at(20, 5), AppColor::emerald);  // the square
    EXPECT_EQ(icon.at(20, 18), AppColor::emerald); // inside the outline
    EXPECT_EQ(icon.at(20, 23), AppColor::white);   // the slot
    EXPECT_EQ(icon.at(10, 20), AppColor::white);   // the outline's left side
    EXPECT_EQ(icon.at(20, 12), AppColor::white);   // its top
    EXPECT_EQ(icon.at(0, 0), AppColor::white);     // a rounded corner
}

TEST(EmptyIconView, GreyUntilActiveThenGreen)
{
    const EmptyIconGeometry geometry = emptyIconGeometry(QRectF(0, 0, 120, 120));
    EXPECT_DOUBLE_EQ(geometry.outline.width(), 48);
    EXPECT_NEAR(geometry.outline.height(), 38.4, 1e-9);
    EXPECT_DOUBLE_EQ(geometry.slot.length(), 24);

    OnWhite<EmptyIconView> icon(QSize(120, 120));
    const QColor faint = icon.at(60, 15);
    EXPECT_LT(faint.red(), 255);
    EXPECT_GE(faint.red(), 245); // black at 3 % over white
    EXPECT_EQ(icon.at(36, 60), AppColor::mutedText);
    icon.view->setActive(true);
    EXPECT_EQ(icon.at(60, 15), AppColor::emeraldTint);
    EXPECT_EQ(icon.at(36, 60), AppColor::emerald);
    EXPECT_EQ(icon.at(60, qRound(geometry.slot.y1())), AppColor::emerald);
    EXPECT_EQ(icon.at(0, 0), AppColor::white); // outside the disc
}

TEST(EmptyStateView, CentresTheGroupAndLetsTextsTakeTheirWidth)
{
    EmptyStateView view;
    view.resize(800, 356);
    view.titleLabel()->setText(QStringLiteral("Ready to Recommend"));
    view.subtitleLabel()->setText(QStringLiteral("Click “Smart Recommend” to find movable files, photos, and apps"));
    view.layoutContents();
    const QRect icon = view.icon()->geometry();
    const QRect title = view.titleLabel()->geometry();
    const QRect subtitle = view.subtitleLabel()->geometry();
    EXPECT_EQ(icon.size(), QSize(120, 120));
    EXPECT_NEAR(icon.center().x(), 400, 1);
    EXPECT_EQ(title.top(), icon.bottom() + 1 + 14);
    EXPECT_EQ(subtitle.top(), title.bottom() + 1 + 14);
    EXPECT_NEAR(title.center().x(), 400, 1);
    EXPECT_NEAR(subtitle.center().x(), 400, 1);
    const int groupTop = icon.top();
    const int groupBottom = subtitle.bottom() + 1;
    EXPECT_NEAR((groupTop + groupBottom) / 2.0, 178, 1);
    EXPECT_EQ(view.titleLabel()->font().pixelSize(), 24);
    EXPECT_EQ(view.subtitleLabel()->font().pixelSize(), 15);
    EXPECT_EQ(view.subtitleLabel()->textColor(), AppColor::secondaryText);

    // Wider than the view: not squeezed.
    view.resize(200, 356);
    EXPECT_GT(view.subtitleLabel()->width(), 200);
}
