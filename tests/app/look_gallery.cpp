// Renders every view of the look to one PNG, for a person to look at.
//   look_gallery OUTPUT_DIR

#include "ui/app_color.h"
#include "ui/drive_icon_view.h"
#include "ui/empty_state_view.h"
#include "ui/risk_badge_view.h"
#include "ui/rounded_view.h"
#include "ui/styled_button.h"

#include <QApplication>
#include <QDir>

#include <cstdio>

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: look_gallery OUTPUT_DIR\n");
        return 2;
    }
    const QString folder = QString::fromLocal8Bit(argv[1]);
    QDir().mkpath(folder);
    RoundedView sheet(AppColor::window, std::nullopt, 0, 0);
    sheet.resize(640, 520);

    auto* drive = new DriveIconView(&sheet);
    drive->setGeometry(24, 24, 40, 40);
    int x = 90;
    for (RiskLevel risk : {RiskLevel::safe, RiskLevel::caution, RiskLevel::application}) {
        const BadgeColors colors = badgeColors(risk);
        auto* badge = new RiskBadgeView(adviceText(risk), colors.foreground, colors.background, &sheet);
        badge->setGeometry(x, 35, badge->sizeHint().width(), 18);
        x += badge->width() + 12;
    }
    auto* selector = new RoundedView(AppColor::white, AppColor::border, 1, 8, &sheet);
    selector->setGeometry(360, 29, 260, 30);
    auto* green = new StyledButton(QStringLiteral("Transfer →"), &sheet);
    green->setFillColor(AppColor::emerald);
    green->setTitleColor(AppColor::white);
    green->setGeometry(24, 90, 140, 36);
    auto* disabled = new StyledButton(QStringLiteral("Transfer →"), &sheet);
    disabled->setEnabled(false);
    disabled->setGeometry(180, 90, 140, 36);
    auto* tint = new StyledButton(QStringLiteral("全不选"), &sheet);
    tint->setFillColor(AppColor::emeraldTint);
    tint->setTitleColor(AppColor::emeraldDark);
    tint->setGeometry(336, 90, 120, 36);
    auto* empty = new EmptyStateView(&sheet);
    empty->setGeometry(0, 140, 320, 380);
    empty->titleLabel()->setText(QStringLiteral("Ready to Recommend"));
    empty->subtitleLabel()->setText(QStringLiteral("准备推荐"));
    empty->layoutContents();
    auto* active = new EmptyStateView(&sheet);
    active->setGeometry(320, 140, 320, 380);
    active->icon()->setActive(true);
    active->titleLabel()->setText(QStringLiteral("没有找到可移动项目"));
    active->subtitleLabel()->setText(QStringLiteral("No movable items found"));
    active->layoutContents();

    const QString file = folder + QStringLiteral("/look.png");
    const bool saved = sheet.grab().save(file);
    std::printf("%s: %s\n", qPrintable(file), saved ? "written" : "FAILED");
    return saved ? 0 : 1;
}
