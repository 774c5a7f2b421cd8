#include "dataviews/DataView.h"

#include "dataviews/DataViewDelegate.h"
#include "dataviews/DataViewForm.h"
#include "dataviews/DataViewModel.h"
#include "dataviews/DataViewTable.h"

#include <QHeaderView>
#include <QMouseEvent>
#include <QScrollArea>
#include <QSortFilterProxyModel>
#include <QVBoxLayout>

namespace {

// What the grid shows: the model without the hidden columns, which stay in the store (and are
// saved) but are nothing a user or a screen reader should meet, not even as empty headings.
class ShownColumns : public QSortFilterProxyModel {
  public:
    ShownColumns(const DataViewDefinition& definition, QObject* parent)
        : QSortFilterProxyModel(parent), m_definition(definition) {}

  protected:
    bool filterAcceptsColumn(int column, const QModelIndex&) const override {
        return m_definition.columns[column].edit != EditKind::Hidden;
    }

  private:
    const DataViewDefinition& m_definition;
};

} // namespace

DataView::DataView(const DataViewDefinition& definition, QWidget* parent)
    : QWidget(parent), m_store(new DataStore(definition, this)),
      m_model(new DataViewModel(*m_store, this)),
      m_delegate(new DataViewDelegate(m_store->definition(), this)) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    connect(m_model, &DataViewModel::userEdited, this, &DataView::itemchanged);
    if (definition.presentation == Presentation::Grid) {
        buildGrid();
        layout->addWidget(m_table);
        return;
    }
    auto* area = new QScrollArea(this);
    m_form = new DataViewForm(m_store->definition(), *m_model, *m_delegate);
    area->setWidget(m_form);
    area->setWidgetResizable(true);
    m_area = area;
    layout->addWidget(area);
    connect(m_form, &DataViewForm::fieldPressed, this,
            [this](int row) { emit clicked(QStringLiteral("column"), row + 1); });
}

DataView::~DataView() {
    // The children go after this part of the object: nothing of theirs may call back here.
    if (m_table != nullptr)
        m_table->viewport()->removeEventFilter(this);
    m_model->disconnect(this);
    if (m_shown != nullptr)
        m_shown->disconnect(this);
    m_store->disconnect(this);
    delete m_area;
}

void DataView::buildGrid() {
    const DataViewDefinition& definition = m_store->definition();
    m_table = new DataViewTable(this);
    m_area = m_table;
    m_shown = new ShownColumns(definition, this);
    m_shown->setSourceModel(m_model);
    m_table->setModel(m_shown);
    m_table->setItemDelegate(m_delegate);
    m_table->verticalHeader()->hide();
    // One line of text per row, as compact as a list of records should be.
    const int rowHeight = m_table->fontMetrics().height() + 8;
    m_table->verticalHeader()->setMinimumSectionSize(rowHeight);
    m_table->verticalHeader()->setDefaultSectionSize(rowHeight);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    // The highlight belongs to the page (selectrow); a click only moves the current cell.
    m_table->setSelectionMode(QAbstractItemView::NoSelection);
    m_table->setEditTriggers(QAbstractItemView::AllEditTriggers);
    m_table->setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    m_table->setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    m_table->setWordWrap(false);
    QList<int> tabColumns;
    for (int c : definition.tabOrder())
        tabColumns << shownColumn(c);
    m_table->setTabColumns(tabColumns);
    QHeaderView* header = m_table->horizontalHeader();
    header->setHighlightSections(false);
    header->setSectionsClickable(true);
    const int charWidth = m_table->fontMetrics().averageCharWidth();
    for (int c = 0; c < definition.columns.size(); ++c) {
        const ColumnDefinition& column = definition.columns[c];
        if (column.edit == EditKind::Hidden)
            continue;
        if (definition.equalColumnWidths) {
            header->setSectionResizeMode(shownColumn(c), QHeaderView::Stretch);
            continue;
        }
        const int heading = header->fontMetrics().horizontalAdvance(column.label);
        m_table->setColumnWidth(shownColumn(c), std::max(charWidth * column.width, heading) + 16);
    }
    if (definition.equalColumnWidths)
        header->setStretchLastSection(false);

    connect(header, &QHeaderView::sectionClicked, this,
            [this] { emit clicked(QStringLiteral("text"), 0); });
    m_table->viewport()->installEventFilter(this);
    // After loading, the first row is current, as a form would show it.
    const auto toFirstRow = [this] {
        if (m_shown->rowCount() > 0 && !m_table->currentCell().isValid())
            setrow(1);
    };
    connect(m_shown, &QAbstractItemModel::modelReset, this, toFirstRow);
    connect(m_shown, &QAbstractItemModel::rowsInserted, this, toFirstRow);
}

int DataView::shownColumn(int column) const {
    int shown = 0;
    for (int c = 0; c < column; ++c)
        if (definition().columns[c].edit != EditKind::Hidden)
            ++shown;
    return shown;
}

QModelIndex DataView::gridCell(int row, int column) const {
    return m_shown->index(row, shownColumn(column));
}

QTableView* DataView::grid() const {
    return m_table;
}

QWidget* DataView::field(const QString& column) const {
    return m_form != nullptr ? m_form->editor(definition().columnIndex(column)) : nullptr;
}

long DataView::getrow() const {
    if (m_form != nullptr)
        return m_form->currentRow() + 1;
    const QModelIndex current = m_table->currentCell();
    return current.isValid() ? current.row() + 1 : 0;
}

int DataView::setrow(long row) {
    if (row < 1 || row > rowcount())
        return -1;
    if (m_form != nullptr) {
        m_form->setCurrentRow(int(row - 1));
        return 1;
    }
    const QList<int> order = definition().tabOrder();
    int column = order.isEmpty() ? 0 : order.first();
    const QModelIndex current = m_table->currentCell();
    if (current.isValid())
        column = m_shown->mapToSource(current).column();
    // Moving the current row from code opens no editor; only the user starts editing.
    m_table->setCurrentCell(gridCell(int(row - 1), column));
    return 1;
}

int DataView::setcolumn(const QString& column) {
    const int c = definition().columnIndex(column);
    if (c < 0 || definition().columns[c].edit == EditKind::Hidden)
        return -1;
    if (m_form != nullptr) {
        QWidget* editor = m_form->editor(c);
        if (editor == nullptr)
            return -1;
        editor->setFocus(Qt::OtherFocusReason);
        return 1;
    }
    const int row = std::max(int(getrow()) - 1, 0);
    if (row >= m_model->rowCount())
        return -1;
    m_table->setFocus(Qt::OtherFocusReason);
    m_table->setCurrentCell(gridCell(row, c));
    return 1;
}

int DataView::selectrow(long row, bool select) {
    if (m_table == nullptr || row < 0 || row > rowcount())
        return -1;
    QItemSelectionModel* selection = m_table->selectionModel();
    if (row == 0) {
        if (select)
            m_table->selectAll();
        else
            selection->clearSelection();
        return 1;
    }
    selection->select(m_shown->index(int(row - 1), 0),
                      (select ? QItemSelectionModel::Select : QItemSelectionModel::Deselect) |
                          QItemSelectionModel::Rows);
    return 1;
}

bool DataView::isselected(long row) const {
    return m_table != nullptr && row >= 1 && row <= rowcount() &&
           m_table->selectionModel()->isRowSelected(int(row - 1), {});
}

void DataView::setBorder(Border border) {
    if (border == Border::None)
        m_area->setFrameStyle(QFrame::NoFrame);
    else
        m_area->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
}

void DataView::setScrollBars(bool horizontal, bool vertical) {
    m_area->setHorizontalScrollBarPolicy(horizontal ? Qt::ScrollBarAlwaysOn
                                                    : Qt::ScrollBarAsNeeded);
    m_area->setVerticalScrollBarPolicy(vertical ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAsNeeded);
}

bool DataView::eventFilter(QObject* watched, QEvent* event) {
    if (m_table != nullptr && watched == m_table->viewport() &&
        event->type() == QEvent::MouseButtonRelease) {
        // Seen here, before the view: a press that opened a cell's editor leaves the view in
        // its editing state, where it emits no clicked() for the release.
        const auto* mouse = static_cast<QMouseEvent*>(event);
        const QModelIndex index = m_table->indexAt(mouse->position().toPoint());
        if (!index.isValid())
            emit clicked(QStringLiteral("datawindow"), 0);
        else if (mouse->button() == Qt::LeftButton)
            emit clicked(QStringLiteral("column"), index.row() + 1);
    }
    return QWidget::eventFilter(watched, event);
}
