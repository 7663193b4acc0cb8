#include "ui/main_window_view.h"

#include "model/text_table.h"
#include "ui/app_color.h"
#include "ui/candidate_item_delegate.h"
#include "ui/candidate_table_model.h"
#include "ui/candidate_table_view.h"
#include "ui/click_action.h"
#include "ui/disk_bar_view.h"
#include "ui/drive_icon_view.h"
#include "ui/empty_state_view.h"
#include "ui/label.h"
#include "ui/literal_text.h"
#include "ui/risk_badge_view.h"
#include "ui/selector_focus_mark.h"
#include "ui/separator_view.h"
#include "ui/styled_button.h"
#include "ui/tick_box.h"
#include "ui/window_layout.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGraphicsOpacityEffect>
#include <QMouseEvent>
#include <QProgressBar>
#include <QShortcut>
#include <QWindow>

namespace {

SeparatorView* hairline(QWidget* band)
{
    auto* line = new SeparatorView(band);
    line->raise();
    return line;
}

template <class Widget>
Widget* named(Widget* widget, const char* name)
{
    widget->setObjectName(QLatin1String(name));
    return widget;
}

Label* label(const char* name, int size, FontWeight weight, const QColor& color, QWidget* parent)
{
    return named(makeLabel(QString(), size, weight, color, parent), name);
}

RiskBadgeView* badge(const char* name, RiskLevel risk, QWidget* parent)
{
    return named(new RiskBadgeView(QString(), badgeColors(risk).foreground, badgeColors(risk).background, parent),
                 name);
}

void setBadgeText(RiskBadgeView* badge, const QString& text)
{
    badge->textLabel()->setText(text);
}

} // namespace

MainWindowView::MainWindowView(const CandidateStore& store, QWidget* parent)
    : RoundedView(AppColor::window, std::nullopt, 0, 0, parent),
      toolbar_(named(new RoundedView(AppColor::window, std::nullopt, 0, 0, this), "toolbar")),
      driveSelector_(named(new RoundedView(AppColor::white, AppColor::border, 1, 8, toolbar_), "driveSelector")),
      driveStatusDot_(
          named(new RoundedView(AppColor::mutedText, std::nullopt, 0, 4, driveSelector_), "driveStatusDot")),
      drivePopup_(named(new QComboBox(driveSelector_), "drivePopup")),
      driveNameLabel_(label("driveNameLabel", 13, FontWeight::medium, AppColor::secondaryText, driveSelector_)),
      refreshButton_(named(new StyledButton(I18n::text("button.chooseDestination"), toolbar_), "refreshButton")),
      scanButton_(named(new StyledButton(QString(), toolbar_), "scanButton")),
      movedItemsButton_(named(new StyledButton(I18n::text("button.movedItems"), toolbar_), "movedItemsButton")),
      progressStrip_(named(new RoundedView(AppColor::emeraldTint, std::nullopt, 0, 0, this), "progressStrip")),
      progressPathLabel_(label("progressPathLabel", 12, FontWeight::regular, AppColor::emeraldDark, progressStrip_)),
      progressStatusLabel_(
          label("progressStatusLabel", 13, FontWeight::semibold, AppColor::secondaryText, progressStrip_)),
      progressIndicator_(named(new QProgressBar(progressStrip_), "progressIndicator")),
      pauseButton_(named(new StyledButton(QString(), progressStrip_), "pauseButton")),
      stopButton_(named(new StyledButton(I18n::text("button.stop"), progressStrip_), "stopButton")),
      summaryStrip_(named(new RoundedView(AppColor::white, std::nullopt, 0, 0, this), "summaryStrip")),
      selectedCountLabel_(label("selectedCountLabel", 13, FontWeight::regular, AppColor::secondaryText, summaryStrip_)),
      selectedSizeLabel_(label("selectedSizeLabel", 13, FontWeight::regular, AppColor::secondaryText, summaryStrip_)),
      selectedCautionBadge_(badge("selectedCautionBadge", RiskLevel::caution, summaryStrip_)),
      selectedAppBadge_(badge("selectedAppBadge", RiskLevel::application, summaryStrip_)),
      diskBar_(named(new DiskBarView(summaryStrip_), "diskBar")),
      tabAllLabel_(label("tabAllLabel", 13, FontWeight::medium, AppColor::secondaryText, summaryStrip_)),
      tabSafeLabel_(label("tabSafeLabel", 13, FontWeight::bold, AppColor::emeraldDark, summaryStrip_)),
      tabCautionLabel_(label("tabCautionLabel", 13, FontWeight::medium, AppColor::secondaryText, summaryStrip_)),
      tabAppLabel_(label("tabAppLabel", 13, FontWeight::medium, AppColor::secondaryText, summaryStrip_)),
      mainContent_(named(new RoundedView(AppColor::white, std::nullopt, 0, 0, this), "mainContent")),
      emptyState_(named(new EmptyStateView(mainContent_), "emptyState")),
      tableView_(named(new CandidateTableView(mainContent_), "tableView")),
      tableModel_(new CandidateTableModel(store, this)),
      bottomBar_(named(new RoundedView(AppColor::white, std::nullopt, 0, 0, this), "bottomBar")),
      selectSafeButton_(named(new StyledButton(I18n::text("button.selectSafe"), bottomBar_), "selectSafeButton")),
      selectNoneButton_(named(new StyledButton(I18n::text("button.selectNone"), bottomBar_), "selectNoneButton")),
      moveToTrashCheckbox_(
          named(new TickCheckBox(literalAmpersands(I18n::text("checkbox.trash")), bottomBar_), "moveToTrashCheckbox")),
      transferButton_(named(new StyledButton(I18n::text("button.transfer"), bottomBar_), "transferButton"))
{
    setObjectName(QStringLiteral("mainWindowView"));
    configureToolbar();
    configureProgressStrip();
    summaryTopLine_ = hairline(summaryStrip_);
    summaryBottomLine_ = hairline(summaryStrip_);
    configureTable();
    // The table lies above the empty state; the interface state shows one.
    tableView_->raise();
    configureBottomBar();
    configureKeyboard();
    // As the first interface state has them: the window opens empty.
    progressStrip_->hide();
    summaryStrip_->hide();
    tableView_->hide();
    layoutViews();
}

void MainWindowView::configureKeyboard()
{
    // Reading order: the destination, its button, the scan, the running
    // job's buttons, the list, then the bottom bar from left to right.
    QWidget* const order[] = {movedItemsButton_, driveSelector_,    drivePopup_,          refreshButton_,
                              scanButton_,       pauseButton_,      stopButton_,          tableView_,
                              selectSafeButton_, selectNoneButton_, moveToTrashCheckbox_, transferButton_};
    for (std::size_t i = 0; i + 1 < std::size(order); ++i)
        QWidget::setTabOrder(order[i], order[i + 1]);
    showKeyboardFocusOn(driveSelector_, drivePopup_);
    showKeyboardFocusOn(driveSelector_, driveSelector_);
    driveSelector_->setAccessibleName(I18n::text("button.chooseDestination"));
    scanButton_->setFocus(); // the first thing to do
}

void MainWindowView::configureToolbar()
{
    toolbarLine_ = hairline(toolbar_);
    driveIcon_ = named(new DriveIconView(toolbar_), "driveIcon");
    titleLabel_ =
        named(makeLabel(I18n::text("app.title"), 18, FontWeight::bold, AppColor::text, toolbar_), "titleLabel");
    subtitleLabel_ = named(
        makeLabel(I18n::text("app.subtitle"), 11, FontWeight::regular, AppColor::mutedText, toolbar_), "subtitleLabel");

    // Nearly invisible, over the whole selector: it takes every click while
    // the selector shows its own dot, name and chevron.
    drivePopup_->setFrame(false);
    drivePopup_->setFont(appFont(14, FontWeight::regular));
    auto* transparency = new QGraphicsOpacityEffect(drivePopup_);
    transparency->setOpacity(0.01);
    drivePopup_->setGraphicsEffect(transparency);
    drivePopup_->setAccessibleName(I18n::text("button.chooseDestination"));
    connect(drivePopup_, &QComboBox::activated, this, &MainWindowView::destinationActivated);

    chevronLabel_ =
        named(makeLabel(QStringLiteral("\u2304"), 18, FontWeight::semibold, AppColor::secondaryText, driveSelector_),
              "chevronLabel");
    driveStatusDot_->raise();
    driveNameLabel_->raise();
    chevronLabel_->raise();
    drivePopup_->raise();

    refreshButton_->setCornerRadius(8);
    refreshButton_->setFillColor(AppColor::control);
    refreshButton_->setTitleColor(AppColor::secondaryText);
    connect(refreshButton_, &QAbstractButton::clicked, this, &MainWindowView::chooseDestinationClicked);

    // The way back to what was moved: a quiet button, and Ctrl+H as a
    // browser's history has it.
    movedItemsButton_->setCornerRadius(8);
    movedItemsButton_->setColors(AppColor::window, AppColor::secondaryText, AppColor::window, AppColor::mutedText);
    movedItemsButton_->setToolTip(QKeySequence(Qt::CTRL | Qt::Key_H).toString(QKeySequence::NativeText));
    connect(movedItemsButton_, &QAbstractButton::clicked, this, &MainWindowView::movedItemsClicked);
    auto* movedItemsKeys = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_H), this);
    connect(movedItemsKeys, &QShortcut::activated, this, [this] {
        if (movedItemsButton_->isEnabled())
            emit movedItemsClicked();
    });
    // Without a destination the pop-up is disabled and lets clicks through to
    // the selector, which then asks for a destination as its button does.
    callOnClick(driveSelector_, [this] {
        if (refreshButton_->isEnabled())
            emit chooseDestinationClicked();
    });
    scanButton_->setCornerRadius(10);
    scanButton_->setTitleColor(AppColor::white);
    connect(scanButton_, &QAbstractButton::clicked, this, &MainWindowView::scanClicked);
}

void MainWindowView::configureProgressStrip()
{
    progressLine_ = hairline(progressStrip_);
    progressStatusLabel_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    progressIndicator_->setTextVisible(false);
    progressIndicator_->setRange(0, 0); // indeterminate
    // Secondary buttons (the styled button's own colours), as the destination's.
    for (StyledButton* button : {pauseButton_, stopButton_}) {
        button->setCornerRadius(8);
        button->hide();
    }
    connect(pauseButton_, &QAbstractButton::clicked, this, &MainWindowView::pauseClicked);
    connect(stopButton_, &QAbstractButton::clicked, this, &MainWindowView::stopClicked);
    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(escape, &QShortcut::activated, this, [this] {
        if (!stopButton_->isHidden())
            emit stopClicked();
    });
}

void MainWindowView::configureTable()
{
    tableView_->setModel(tableModel_);
    tableView_->setItemDelegate(new CandidateItemDelegate(tableView_));
    // The reason column keeps at least 240 px, the others 40; the name column narrows first.
    tableView_->setColumnWidths({42, 330, 110, 120, 110, 120, 360}, 40, 240, CandidateTableModel::nameColumn);
    connect(tableModel_, &CandidateTableModel::toggleRequested, this, &MainWindowView::toggleRequested);
}

void MainWindowView::configureBottomBar()
{
    bottomLine_ = hairline(bottomBar_);
    selectSafeButton_->setColors(AppColor::emerald, AppColor::white, AppColor::border, AppColor::secondaryText);
    selectNoneButton_->setColors(AppColor::emeraldTint, AppColor::emeraldDark, AppColor::border,
                                 AppColor::secondaryText);
    transferButton_->setColors(AppColor::emerald, AppColor::white, AppColor::border, AppColor::secondaryText);
    transferButton_->setCornerRadius(10);

    moveToTrashCheckbox_->setChecked(false);
    moveToTrashCheckbox_->setFont(appFont(13, FontWeight::regular));
    QPalette palette = moveToTrashCheckbox_->palette();
    palette.setColor(QPalette::Highlight, AppColor::emerald);
    palette.setColor(QPalette::WindowText, AppColor::secondaryText);
    moveToTrashCheckbox_->setPalette(palette);

    connect(selectSafeButton_, &QAbstractButton::clicked, this, &MainWindowView::selectSafeClicked);
    connect(selectNoneButton_, &QAbstractButton::clicked, this, &MainWindowView::selectNoneClicked);
    connect(transferButton_, &QAbstractButton::clicked, this, &MainWindowView::transferClicked);
}

void MainWindowView::apply(const InterfaceState& state)
{
    const bool startsWork = !state.progressStripHidden && progressStrip_->isHidden();
    const bool endsWork = state.progressStripHidden && !progressStrip_->isHidden();
    // Focus on the job's own buttons was the work's, not a choice of the user's.
    const bool focusOnJob = stopButton_->hasFocus() || pauseButton_->hasFocus();
    if (startsWork)
        rememberFocus();
    driveStatusDot_->setFillColor(state.statusDotColor);
    scanButton_->setTitle(state.scanTitle);
    scanButton_->setFillColor(state.scanFillColor);
    scanButton_->setEnabled(state.scanEnabled);
    refreshButton_->setEnabled(state.chooseDestinationEnabled);
    movedItemsButton_->setEnabled(state.movedItemsEnabled);
    drivePopup_->setEnabled(state.drivePopupEnabled);
    // Without a destination the selector itself takes the focus, and Space
    // asks for one, as a click on it does.
    const bool selectorAsks = !state.drivePopupEnabled && state.chooseDestinationEnabled;
    driveSelector_->setFocusPolicy(selectorAsks ? Qt::StrongFocus : Qt::NoFocus);
    if (!selectorAsks && driveSelector_->hasFocus())
        (state.drivePopupEnabled ? static_cast<QWidget*>(drivePopup_) : refreshButton_)->setFocus();
    selectSafeButton_->setEnabled(state.selectSafeEnabled);
    selectNoneButton_->setEnabled(state.selectNoneEnabled);
    moveToTrashCheckbox_->setEnabled(state.trashCheckboxEnabled);
    transferButton_->setEnabled(state.transferEnabled);

    progressStrip_->setHidden(state.progressStripHidden);
    stopButton_->setHidden(state.stopHidden);
    pauseButton_->setHidden(state.pauseHidden);
    pauseButton_->setTitle(state.pauseTitle);
    summaryStrip_->setHidden(state.summaryStripHidden);
    tableView_->setHidden(state.tableHidden);
    emptyState_->setHidden(state.emptyStateHidden);

    if (state.emptyState) {
        emptyState_->titleLabel()->setText(state.emptyState->title);
        emptyState_->subtitleLabel()->setText(state.emptyState->subtitle);
        emptyState_->icon()->setActive(state.emptyState->iconActive);
        emptyState_->layoutContents();
    }
    // A strip shown or hidden moves the bands below it.
    layoutViews();
    if (endsWork)
        restoreFocus(focusOnJob);
}

void MainWindowView::rememberFocus()
{
    // The controls are about to be disabled, which leaves the focus nowhere.
    QWidget* focus = window()->focusWidget();
    focusBeforeWork_ = focus && isAncestorOf(focus) ? focus : nullptr;
    keyboardBeforeWork_ = false;
    if (auto* button = qobject_cast<StyledButton*>(focus))
        keyboardBeforeWork_ = button->hasKeyboardFocus();
    else if (focus == tableView_)
        keyboardBeforeWork_ = tableView_->showsKeyboardMark();
}

void MainWindowView::restoreFocus(bool focusOnJob)
{
    QWidget* target = focusBeforeWork_;
    focusBeforeWork_ = nullptr;
    if (!target)
        return;
    // After a scan, on to the list when it shows something.
    if (target == scanButton_ && !tableView_->isHidden())
        target = tableView_;
    QWidget* now = window()->focusWidget();
    if (!focusOnJob && now && now != target && now->isEnabled() && now->isVisible())
        return; // the user already went somewhere
    if (target->isEnabled() && target->isVisibleTo(this))
        target->setFocus(keyboardBeforeWork_ ? Qt::TabFocusReason : Qt::OtherFocusReason);
}

void MainWindowView::apply(const DiskBarDisplay& disk)
{
    diskBar_->setDisplay(disk);
    layoutViews(); // it shows only where it has room
}

void MainWindowView::apply(const SummaryTexts& summary)
{
    selectedCountLabel_->setText(summary.selectedCount);
    selectedSizeLabel_->setText(summary.selectedSize);
    setBadgeText(selectedCautionBadge_, summary.cautionBadge);
    setBadgeText(selectedAppBadge_, summary.appBadge);
    tabAllLabel_->setText(summary.tabAll);
    tabSafeLabel_->setText(summary.tabSafe);
    tabCautionLabel_->setText(summary.tabCaution);
    tabAppLabel_->setText(summary.tabApps);
    layoutViews(); // the texts' widths changed
}

void MainWindowView::apply(const ProgressDisplay& progress)
{
    if (progressIndicator_->maximum() != progress.maximum)
        progressIndicator_->setRange(0, progress.maximum);
    progressIndicator_->setValue(progress.value);
    // Most reports during a transfer only move the bar: no new layout then.
    if (progressPathLabel_->text() == progress.pathText && progressStatusLabel_->text() == progress.statusText)
        return;
    progressPathLabel_->setText(progress.pathText);
    progressStatusLabel_->setText(progress.statusText);
    layoutViews(); // the texts' widths changed
}

void MainWindowView::apply(const DestinationDisplay& destination)
{
    QStringList shown;
    for (int i = 0; i < drivePopup_->count(); ++i)
        shown << drivePopup_->itemText(i);
    if (shown != destination.entries) {
        drivePopup_->clear();
        drivePopup_->addItems(destination.entries);
    }
    drivePopup_->setCurrentIndex(destination.currentIndex);
    driveNameLabel_->setText(destination.label);
    driveNameLabel_->setWholeTails(destination.labelTails);
    driveNameLabel_->setTextColor(destination.labelColor);
    layoutViews();
}

void MainWindowView::reloadTable()
{
    tableModel_->reloadData();
}

void MainWindowView::refreshRow(int row)
{
    tableModel_->rowChanged(row); // the one row repaints; no reload
}

bool MainWindowView::moveToTrashChecked() const
{
    return moveToTrashCheckbox_->isChecked();
}

bool MainWindowView::windowActive() const
{
    return window()->isActiveWindow();
}

void MainWindowView::askForAttention()
{
    QApplication::alert(window());
}

void MainWindowView::closeWindow()
{
    window()->close();
}

int MainWindowView::destinationIndex() const
{
    return drivePopup_->currentIndex();
}

void MainWindowView::resizeEvent(QResizeEvent* event)
{
    RoundedView::resizeEvent(event);
    layoutViews();
}

void MainWindowView::mousePressEvent(QMouseEvent* event)
{
    RoundedView::mousePressEvent(event);
    // Only a press on the background itself reaches here.
    if (event->button() == Qt::LeftButton)
        backgroundDrag_.press(event->globalPosition().toPoint());
}

void MainWindowView::mouseMoveEvent(QMouseEvent* event)
{
    RoundedView::mouseMoveEvent(event);
    // The window system may refuse (no window manager), which is fine.
    if ((event->buttons() & Qt::LeftButton) &&
        backgroundDrag_.moveStarts(event->globalPosition().toPoint(), QApplication::startDragDistance()) && window() &&
        window()->windowHandle())
        window()->windowHandle()->startSystemMove();
}

void MainWindowView::mouseReleaseEvent(QMouseEvent* event)
{
    RoundedView::mouseReleaseEvent(event);
    backgroundDrag_.release();
}
