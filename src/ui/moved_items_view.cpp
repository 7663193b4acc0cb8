#include "ui/moved_items_view.h"

#include "model/text_table.h"
#include "ui/app_color.h"
#include "ui/label.h"
#include "ui/styled_button.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QTreeWidget>

namespace {

constexpr int inset = 24;
constexpr int buttonHeight = 32;

StyledButton* makeButton(const QString& title, bool primary, QWidget* parent)
{
    auto* button = new StyledButton(title, parent);
    button->setCornerRadius(8);
    if (primary) {
        button->setColors(AppColor::emerald, AppColor::white, AppColor::control, AppColor::mutedText);
        button->setFontWeight(FontWeight::semibold);
    } else {
        button->setColors(AppColor::control, AppColor::secondaryText, AppColor::control, AppColor::mutedText);
    }
    return button;
}

} // namespace

MovedItemsView::MovedItemsView(QWidget* parent)
    : QWidget(parent, Qt::Window),
      titleLabel_(makeLabel(I18n::text("moved.title"), 18, FontWeight::bold, AppColor::text, this)),
      subtitleLabel_(makeLabel(I18n::text("moved.subtitle"), 12, FontWeight::regular, AppColor::secondaryText, this)),
      tree_(new QTreeWidget(this)),
      statusLabel_(makeLabel(QString(), 12, FontWeight::regular, AppColor::secondaryText, this)),
      bringBackButton_(makeButton(I18n::text("moved.bringBack"), true, this)),
      stopButton_(makeButton(I18n::text("button.stop"), false, this)),
      closeButton_(makeButton(I18n::text("moved.close"), false, this))
{
    setObjectName(QStringLiteral("movedItemsWindow"));
    setWindowTitle(I18n::text("moved.title"));
    setAccessibleName(I18n::text("moved.title"));
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, AppColor::window);
    palette.setColor(QPalette::Base, AppColor::white);
    palette.setColor(QPalette::Text, AppColor::text);
    palette.setColor(QPalette::Highlight, AppColor::emeraldTint);
    palette.setColor(QPalette::HighlightedText, AppColor::text);
    setPalette(palette);
    setAutoFillBackground(true);
    resize(820, 540);
    setMinimumSize(640, 400);

    tree_->setObjectName(QStringLiteral("movedItemsTree"));
    tree_->setAccessibleName(I18n::text("moved.title"));
    tree_->setColumnCount(3);
    tree_->setHeaderLabels(
        {I18n::text("moved.column.item"), I18n::text("moved.column.state"), I18n::text("moved.column.way")});
    tree_->header()->setStretchLastSection(true);
    tree_->setColumnWidth(0, 380);
    tree_->setColumnWidth(1, 140);
    tree_->setFont(appFont(13, FontWeight::regular));
    tree_->setFrameShape(QFrame::NoFrame);
    tree_->setUniformRowHeights(true);
    tree_->setAllColumnsShowFocus(true);
    // Chosen as files are in a file manager: a click, Ctrl and Shift with
    // it, the keyboard; assistive technology selects a cell the same way.
    tree_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    // By item: Qt's accessible tree selects a whole row by its number among
    // its siblings, which is another row of the tree.
    tree_->setSelectionBehavior(QAbstractItemView::SelectItems);

    stopButton_->hide();
    connect(bringBackButton_, &QAbstractButton::clicked, this, &MovedItemsView::bringBackClicked);
    connect(stopButton_, &QAbstractButton::clicked, this, &MovedItemsView::stopClicked);
    connect(closeButton_, &QAbstractButton::clicked, this, &QWidget::close);
    setTabOrder(tree_, bringBackButton_);
    setTabOrder(bringBackButton_, stopButton_);
    setTabOrder(stopButton_, closeButton_);
    layoutViews();
}

void MovedItemsView::apply(const MovedItemsDisplay& display)
{
    tree_->clear();
    for (const MovedRunRow& run : display.runs) {
        auto* row = new QTreeWidgetItem(tree_, {run.title, QString(), run.note});
        row->setFont(0, appFont(13, FontWeight::semibold));
        row->setFlags(Qt::ItemIsEnabled);
        for (const MovedItemRow& item : run.items) {
            auto* child = new QTreeWidgetItem(row, {item.original, item.state, item.way});
            // One that cannot come back now is shown, not chosen.
            child->setFlags(item.ready ? Qt::ItemIsEnabled | Qt::ItemIsSelectable : Qt::ItemIsEnabled);
        }
        row->setExpanded(true);
    }
    statusLabel_->setText(display.runs.empty() ? display.empty : display.notice);
    bringBackButton_->setEnabled(!running_ && display.anyReady);
}

void MovedItemsView::showRunning(bool running, const QString& status)
{
    running_ = running;
    statusLabel_->setText(status);
    stopButton_->setVisible(running);
    bringBackButton_->setVisible(!running);
    bringBackButton_->setEnabled(!running);
    tree_->setEnabled(!running);
    layoutViews();
}

std::vector<std::pair<int, int>> MovedItemsView::chosenItems() const
{
    std::vector<std::pair<int, int>> chosen;
    for (int run = 0; run < tree_->topLevelItemCount(); ++run) {
        const QTreeWidgetItem* row = tree_->topLevelItem(run);
        for (int item = 0; item < row->childCount(); ++item) {
            if ((row->child(item)->flags() & Qt::ItemIsSelectable) && row->child(item)->isSelected())
                chosen.emplace_back(run, item);
        }
    }
    return chosen;
}

void MovedItemsView::setChosen(int run, int item, bool chosen)
{
    QTreeWidgetItem* row = tree_->topLevelItem(run);
    if (row && item < row->childCount() && (row->child(item)->flags() & Qt::ItemIsSelectable))
        row->child(item)->setSelected(chosen);
}

void MovedItemsView::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    layoutViews();
}

void MovedItemsView::keyPressEvent(QKeyEvent* event)
{
    // Escape stops a bring-back, as in the main window, and otherwise closes.
    if (event->key() == Qt::Key_Escape) {
        if (running_)
            emit stopClicked();
        else
            close();
        return;
    }
    QWidget::keyPressEvent(event);
}

void MovedItemsView::layoutViews()
{
    const int w = width();
    titleLabel_->setGeometry(inset, inset, w - 2 * inset, titleLabel_->sizeHint().height());
    subtitleLabel_->setGeometry(inset, titleLabel_->geometry().bottom() + 5, w - 2 * inset,
                                subtitleLabel_->sizeHint().height());
    const int buttonsTop = height() - inset - buttonHeight;
    const int treeTop = subtitleLabel_->geometry().bottom() + 17;
    tree_->setGeometry(inset, treeTop, w - 2 * inset, std::max(0, buttonsTop - 16 - treeTop));
    int right = w - inset;
    for (StyledButton* button : {closeButton_, running_ ? stopButton_ : bringBackButton_}) {
        const int width = std::max(96, button->sizeHint().width());
        button->setGeometry(right - width, buttonsTop, width, buttonHeight);
        right -= width + 12;
    }
    statusLabel_->setGeometry(inset, buttonsTop, std::max(0, right - inset - 12), buttonHeight);
}
