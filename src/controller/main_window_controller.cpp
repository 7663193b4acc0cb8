#include "controller/main_window_controller.h"

#include "controller/candidate_table_model.h"
#include "model/byte_format.h"
#include "model/text_format.h"
#include "model/text_table.h"
#include "ui/app_color.h"
#include "ui/candidate_table_view.h"
#include "ui/empty_state_view.h"
#include "ui/label.h"
#include "ui/risk_badge_view.h"
#include "ui/rounded_view.h"
#include "ui/styled_button.h"

#include <QCheckBox>
#include <QComboBox>
#include <QProgressBar>
#include <QMouseEvent>
#include <QTableView>
#include <QWindow>

namespace {

// The root view: it lays the window out whenever its size changes, and lets
// a drag on its empty background move the window where the system allows.
class RootView : public RoundedView {
public:
    explicit RootView(MainWindowController& controller)
        : RoundedView(AppColor::window, std::nullopt, 0, 0), controller_(controller)
    {
    }

protected:
    void resizeEvent(QResizeEvent* event) override
    {
        RoundedView::resizeEvent(event);
        controller_.layoutViews();
    }

    void mousePressEvent(QMouseEvent* event) override;

private:
    MainWindowController& controller_;
};

} // namespace

MainWindowController::MainWindowController(FileSystem& fileSystem, Dialogs& dialogs, QObject* parent)
    : QObject(parent),
      fileSystem_(fileSystem),
      dialogs_(dialogs),
      rootView_(new RootView(*this)),
      toolbar_(new RoundedView(AppColor::window, std::nullopt, 0, 0, rootView_)),
      driveSelector_(new RoundedView(AppColor::white, AppColor::border, 1, 8, toolbar_)),
      driveStatusDot_(new RoundedView(AppColor::mutedText, std::nullopt, 0, 4, driveSelector_)),
      drivePopup_(new QComboBox(driveSelector_)),
      driveNameLabel_(makeLabel(I18n::text("drive.none"), 13, FontWeight::medium, AppColor::secondaryText, driveSelector_)),
      refreshButton_(new StyledButton(I18n::text("button.chooseDestination"), toolbar_)),
      scanButton_(new StyledButton(I18n::text("button.scanStart"), toolbar_)),
      progressStrip_(new RoundedView(AppColor::emeraldTint, std::nullopt, 0, 0, rootView_)),
      progressPathLabel_(makeLabel(I18n::text("progress.status.scanning"), 12, FontWeight::regular, AppColor::emeraldDark,
                                   progressStrip_)),
      progressStatusLabel_(makeLabel(I18n::text("progress.status.zero"), 13, FontWeight::semibold, AppColor::secondaryText,
                                     progressStrip_)),
      progressIndicator_(new QProgressBar(progressStrip_)),
      summaryStrip_(new RoundedView(AppColor::white, std::nullopt, 0, 0, rootView_)),
      selectedCountLabel_(makeLabel(formatText(I18n::text("summary.selectedCount"), {std::int64_t(0), std::int64_t(0)}), 13,
                                    FontWeight::regular, AppColor::secondaryText, summaryStrip_)),
      selectedSizeLabel_(makeLabel(formatText(I18n::text("summary.selectedSize"), {formatBytes(0), formatBytes(0)}), 13,
                                   FontWeight::regular, AppColor::secondaryText, summaryStrip_)),
      selectedCautionBadge_(new RiskBadgeView(formatText(I18n::text("summary.caution"), {std::int64_t(0)}),
                                              badgeColors(RiskLevel::caution).foreground,
                                              badgeColors(RiskLevel::caution).background, summaryStrip_)),
      selectedAppBadge_(new RiskBadgeView(formatText(I18n::text("summary.apps"), {std::int64_t(0)}),
                                          badgeColors(RiskLevel::application).foreground,
                                          badgeColors(RiskLevel::application).background, summaryStrip_)),
      tabAllLabel_(makeLabel(formatText(I18n::text("tab.all"), {std::int64_t(0)}), 13, FontWeight::medium,
                             AppColor::secondaryText, summaryStrip_)),
      tabSafeLabel_(makeLabel(formatText(I18n::text("tab.safe"), {std::int64_t(0)}), 13, FontWeight::bold,
                              AppColor::emeraldDark, summaryStrip_)),
      tabCautionLabel_(makeLabel(formatText(I18n::text("tab.caution"), {std::int64_t(0)}), 13, FontWeight::medium,
                                 AppColor::secondaryText, summaryStrip_)),
      tabAppLabel_(makeLabel(formatText(I18n::text("tab.apps"), {std::int64_t(0)}), 13, FontWeight::medium,
                             AppColor::secondaryText, summaryStrip_)),
      mainContent_(new RoundedView(AppColor::white, std::nullopt, 0, 0, rootView_)),
      emptyState_(new EmptyStateView(mainContent_)),
      tableView_(new CandidateTableView(mainContent_)),
      tableModel_(new CandidateTableModel(store_, this)),
      bottomBar_(new RoundedView(AppColor::white, std::nullopt, 0, 0, rootView_)),
      selectSafeButton_(new StyledButton(I18n::text("button.selectSafe"), bottomBar_)),
      selectNoneButton_(new StyledButton(I18n::text("button.selectNone"), bottomBar_)),
      moveToTrashCheckbox_(new QCheckBox(I18n::text("checkbox.trash"), bottomBar_)),
      transferButton_(new StyledButton(I18n::text("button.transfer"), bottomBar_))
{
    worker_.setMaxThreadCount(1);
}

MainWindowController::~MainWindowController()
{
    // A scan still running stops at its next folder; its result is dropped.
    stopWork_.request_stop();
    worker_.waitForDone();
    stopSourceAccesses();
    stopDestinationAccess();
    // The view tree goes with the controller unless a window took it.
    if (rootView_ && !rootView_->parent())
        delete rootView_;
}

QWidget* MainWindowController::view()
{
    if (!viewLoaded_) {
        viewLoaded_ = true;
        loadView();
        viewDidLoad();
    }
    return rootView_;
}

void MainWindowController::loadView()
{
    rootView_->setMinimumSize(0, 0);
}

void MainWindowController::viewDidLoad()
{
    buildUI();
    refreshVolumes();
}

void MainWindowController::stopSourceAccesses()
{
    for (const auto& url : scopedSourceURLs_)
        fileSystem_.stopAccessing(url);
    scopedSourceURLs_.clear();
}

void MainWindowController::stopDestinationAccess()
{
    if (scopedDestinationURL_) {
        fileSystem_.stopAccessing(*scopedDestinationURL_);
        scopedDestinationURL_.reset();
    }
}

void RootView::mousePressEvent(QMouseEvent* event)
{
    RoundedView::mousePressEvent(event);
    // Only a press on the background itself reaches here; the window
    // system may refuse (no window manager), which is fine.
    if (event->button() == Qt::LeftButton && window() && window()->windowHandle())
        window()->windowHandle()->startSystemMove();
}
