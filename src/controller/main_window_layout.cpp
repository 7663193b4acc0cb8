// Building and laying out the window's view tree: five full-width bands,
// their hairlines and controls, placed explicitly from named metrics.

#include "controller/candidate_table_model.h"
#include "controller/main_window_controller.h"
#include "model/text_table.h"
#include "ui/app_color.h"
#include "ui/candidate_item_delegate.h"
#include "ui/drive_icon_view.h"
#include "ui/empty_state_view.h"
#include "ui/label.h"
#include "ui/risk_badge_view.h"
#include "ui/rounded_view.h"
#include "ui/separator_view.h"
#include "ui/styled_button.h"
#include "ui/window_layout.h"

#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QGraphicsOpacityEffect>
#include <QHeaderView>
#include <QProgressBar>
#include <QTableView>

namespace {

QSize naturalSize(const QLabel* label)
{
    const QFontMetrics metrics(label->font());
    return QSize(metrics.horizontalAdvance(label->text()) + 2, metrics.height());
}

SeparatorView* hairline(QWidget* band)
{
    auto* line = new SeparatorView(band);
    line->raise();
    return line;
}

} // namespace

// Shows keyboard focus on the nearly invisible pop-up as a green border
// around the selector that stands for it.
class SelectorFocusMark : public QObject {
public:
    SelectorFocusMark(RoundedView* selector, QObject* parent) : QObject(parent), selector_(selector) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::FocusIn) {
            selector_->setBorderColor(AppColor::emerald);
            selector_->setBorderWidth(2);
        } else if (event->type() == QEvent::FocusOut) {
            selector_->setBorderColor(AppColor::border);
            selector_->setBorderWidth(1);
        }
        return QObject::eventFilter(watched, event);
    }

private:
    RoundedView* selector_;
};

void MainWindowController::buildUI()
{
    configureToolbar();
    configureProgressStrip();
    configureSummaryStrip();
    configureMainContent();
    configureBottomBar();
    configureKeyboard();
    layoutViews();
}

void MainWindowController::configureKeyboard()
{
    // Reading order: the destination, its button, the scan, the list, then
    // the bottom bar from left to right.
    const QWidget* order[] = {drivePopup_, refreshButton_, scanButton_, tableView_,
                              selectSafeButton_, selectNoneButton_, moveToTrashCheckbox_, transferButton_};
    for (std::size_t i = 0; i + 1 < std::size(order); ++i)
        QWidget::setTabOrder(const_cast<QWidget*>(order[i]), const_cast<QWidget*>(order[i + 1]));
    drivePopup_->installEventFilter(new SelectorFocusMark(driveSelector_, this));
    scanButton_->setFocus(); // the first thing to do
}

void MainWindowController::configureToolbar()
{
    toolbarLine_ = hairline(toolbar_);
    driveIcon_ = new DriveIconView(toolbar_);
    titleLabel_ = makeLabel(I18n::text("app.title"), 18, FontWeight::bold, AppColor::text, toolbar_);
    subtitleLabel_ = makeLabel(I18n::text("app.subtitle"), 11, FontWeight::regular, AppColor::mutedText, toolbar_);

    // Nearly invisible, over the whole selector: it takes every click while
    // the selector shows its own dot, name and chevron.
    drivePopup_->setFrame(false);
    drivePopup_->setFont(appFont(14, FontWeight::regular));
    auto* transparency = new QGraphicsOpacityEffect(drivePopup_);
    transparency->setOpacity(0.01);
    drivePopup_->setGraphicsEffect(transparency);
    drivePopup_->setAccessibleName(I18n::text("button.chooseDestination"));
    connect(drivePopup_, &QComboBox::activated, this, [this] { driveSelectionChanged(); });

    chevronLabel_ = makeLabel(QStringLiteral("\u2304"), 18, FontWeight::semibold, AppColor::secondaryText, driveSelector_);
    driveStatusDot_->raise();
    driveNameLabel_->raise();
    chevronLabel_->raise();
    drivePopup_->raise();

    refreshButton_->setCornerRadius(8);
    refreshButton_->setFillColor(AppColor::control);
    refreshButton_->setTitleColor(AppColor::secondaryText);
    connect(refreshButton_, &QAbstractButton::clicked, this, [this] { refreshVolumesAction(); });
    scanButton_->setCornerRadius(10);
    connect(scanButton_, &QAbstractButton::clicked, this, [this] { scanAction(); });
}

void MainWindowController::configureProgressStrip()
{
    progressLine_ = hairline(progressStrip_);
    progressStatusLabel_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    progressIndicator_->setTextVisible(false);
    progressIndicator_->setRange(0, 0); // indeterminate
}

void MainWindowController::configureSummaryStrip()
{
    summaryTopLine_ = hairline(summaryStrip_);
    summaryBottomLine_ = hairline(summaryStrip_);
}

void MainWindowController::configureMainContent()
{
    configureTable();
    // The table lies above the empty state; the interface state shows one.
    tableView_->raise();
}

void MainWindowController::configureTable()
{
    tableView_->setModel(tableModel_);
    tableView_->setItemDelegate(new CandidateItemDelegate(tableView_));
    tableView_->setMouseTracking(false);
    tableView_->setFocusPolicy(Qt::StrongFocus);
    tableView_->setTabKeyNavigation(false); // Tab leaves the list; arrows move within it
    tableView_->setFrameShape(QFrame::NoFrame);
    tableView_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    tableView_->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    tableView_->setShowGrid(false);
    tableView_->setAlternatingRowColors(false);
    tableView_->setSelectionMode(QAbstractItemView::SingleSelection);
    tableView_->setSelectionBehavior(QAbstractItemView::SelectRows);
    tableView_->setWordWrap(false);
    tableView_->verticalHeader()->hide();
    tableView_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    tableView_->verticalHeader()->setDefaultSectionSize(WindowMetrics::rowHeight);
    QHeaderView* header = tableView_->horizontalHeader();
    header->setSectionsMovable(false);
    header->setHighlightSections(false);
    header->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    header->setMinimumSectionSize(40);
    header->setStretchLastSection(true);
    const int widths[] = {42, 330, 110, 120, 110, 120, 360};
    for (int column = 0; column < CandidateTableModel::columnTotal; ++column)
        header->resizeSection(column, widths[column]);
    // The reason column keeps at least 240 px; the others 40.
    connect(header, &QHeaderView::sectionResized, this, [header](int section, int, int size) {
        if (section == CandidateTableModel::noteColumn && size < 240)
            header->resizeSection(section, 240);
    });
    header->setFont(appFont(12, FontWeight::medium));
    // Headers line up with the cells' 8 px text inset, flat on white.
    header->setStyleSheet(QStringLiteral("QHeaderView::section { background: %1; color: %2; padding-left: 8px; padding-right: 8px; "
                                         "border: none; border-bottom: 1px solid %3; height: 28px; }")
                              .arg(AppColor::white.name(), AppColor::secondaryText.name(), AppColor::border.name()));
    connect(tableModel_, &CandidateTableModel::toggleRequested, this,
            [this](int row, bool selected) { toggleCandidate(row, selected); });
}

void MainWindowController::configureBottomBar()
{
    bottomLine_ = hairline(bottomBar_);
    selectSafeButton_->setFillColor(AppColor::emerald);
    selectSafeButton_->setTitleColor(AppColor::white);
    selectSafeButton_->setDisabledFillColor(AppColor::border);
    selectSafeButton_->setDisabledTitleColor(AppColor::secondaryText);
    selectNoneButton_->setFillColor(AppColor::emeraldTint);
    selectNoneButton_->setTitleColor(AppColor::emeraldDark);
    selectNoneButton_->setDisabledFillColor(AppColor::border);
    selectNoneButton_->setDisabledTitleColor(AppColor::secondaryText);
    // Looks the same enabled or not.
    transferButton_->setFillColor(AppColor::emerald);
    transferButton_->setTitleColor(AppColor::white);
    transferButton_->setDisabledFillColor(AppColor::emerald);
    transferButton_->setDisabledTitleColor(AppColor::white);
    transferButton_->setCornerRadius(10);

    moveToTrashCheckbox_->setChecked(false);
    moveToTrashCheckbox_->setFont(appFont(13, FontWeight::regular));
    QPalette palette = moveToTrashCheckbox_->palette();
    palette.setColor(QPalette::Highlight, AppColor::emerald);
    palette.setColor(QPalette::WindowText, AppColor::secondaryText);
    moveToTrashCheckbox_->setPalette(palette);

    connect(selectSafeButton_, &QAbstractButton::clicked, this, [this] { selectSafeAction(); });
    connect(selectNoneButton_, &QAbstractButton::clicked, this, [this] { selectNoneAction(); });
    connect(transferButton_, &QAbstractButton::clicked, this, [this] { transferAction(); });
}

void MainWindowController::layoutViews()
{
    if (!viewLoaded_)
        return;
    const bool chinese = I18n::isChinese();
    const QSize size = rootView_->size();
    const BandRects bands = bandRects(size, !progressStrip_->isHidden(), !summaryStrip_->isHidden());
    toolbar_->setGeometry(bands.toolbar);
    progressStrip_->setGeometry(bands.progress.isEmpty() ? QRect(0, bands.toolbar.bottom() + 1, size.width(), 0) : bands.progress);
    summaryStrip_->setGeometry(bands.summary.isEmpty() ? QRect(0, bands.main.top(), size.width(), 0) : bands.summary);
    mainContent_->setGeometry(bands.main);
    bottomBar_->setGeometry(bands.bottom);
    const int width = size.width();

    // Toolbar.
    const ToolbarRects toolbar =
        toolbarRects(width, chinese, naturalSize(titleLabel_), naturalSize(subtitleLabel_), naturalSize(chevronLabel_));
    toolbarLine_->setGeometry(toolbar.hairline);
    driveIcon_->setGeometry(toolbar.driveIcon);
    titleLabel_->setGeometry(toolbar.title);
    subtitleLabel_->setGeometry(toolbar.subtitle);
    driveSelector_->setGeometry(toolbar.selector);
    driveStatusDot_->setGeometry(toolbar.statusDot);
    driveNameLabel_->setGeometry(toolbar.nameLabel);
    chevronLabel_->setGeometry(toolbar.chevron);
    drivePopup_->setGeometry(toolbar.popup);
    refreshButton_->setGeometry(toolbar.refreshButton);
    scanButton_->setGeometry(toolbar.scanButton);

    // Progress strip.
    const ProgressRects progress = progressRects(width, naturalSize(progressPathLabel_), naturalSize(progressStatusLabel_));
    progressLine_->setGeometry(progress.hairline);
    progressPathLabel_->setGeometry(progress.pathLabel);
    progressStatusLabel_->setGeometry(progress.statusLabel);
    progressIndicator_->setGeometry(progress.indicator);

    // Summary strip: the summary row 12 px from the top, the tabs 12 px from the bottom.
    summaryTopLine_->setGeometry(0, 0, width, 1);
    summaryBottomLine_->setGeometry(0, WindowMetrics::summaryHeight - 1, width, 1);
    const int right = width - WindowMetrics::inset;
    const std::vector<QSize> summarySizes{naturalSize(selectedCountLabel_), naturalSize(selectedSizeLabel_),
                                          selectedCautionBadge_->sizeHint(), selectedAppBadge_->sizeHint()};
    int summaryRowHeight = 0;
    for (const QSize& item : summarySizes)
        summaryRowHeight = std::max(summaryRowHeight, item.height());
    const auto summaryRow = rowRects(WindowMetrics::inset, right, 12 + summaryRowHeight / 2, 26, summarySizes);
    selectedCountLabel_->setGeometry(summaryRow[0]);
    selectedSizeLabel_->setGeometry(summaryRow[1]);
    selectedCautionBadge_->setGeometry(summaryRow[2]);
    selectedAppBadge_->setGeometry(summaryRow[3]);
    const std::vector<QSize> tabSizes{naturalSize(tabAllLabel_), naturalSize(tabSafeLabel_), naturalSize(tabCautionLabel_),
                                      naturalSize(tabAppLabel_)};
    const int tabHeight = tabSizes.front().height();
    const auto tabRow = rowRects(WindowMetrics::inset, right, WindowMetrics::summaryHeight - 12 - tabHeight / 2, 24, tabSizes);
    tabAllLabel_->setGeometry(tabRow[0]);
    tabSafeLabel_->setGeometry(tabRow[1]);
    tabCautionLabel_->setGeometry(tabRow[2]);
    tabAppLabel_->setGeometry(tabRow[3]);

    // Main content: the empty state and the table both fill it.
    emptyState_->setGeometry(0, 0, bands.main.width(), bands.main.height());
    tableView_->setGeometry(0, 0, bands.main.width(), bands.main.height());

    // Bottom bar.
    const BottomBarRects bottom = bottomBarRects(width, chinese, moveToTrashCheckbox_->sizeHint());
    bottomLine_->setGeometry(bottom.hairline);
    selectSafeButton_->setGeometry(bottom.selectSafe);
    selectNoneButton_->setGeometry(bottom.selectNone);
    moveToTrashCheckbox_->setGeometry(bottom.checkbox);
    transferButton_->setGeometry(bottom.transfer);
}
