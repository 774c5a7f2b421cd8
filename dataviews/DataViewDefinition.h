#pragma once

#include <QList>
#include <QString>
#include <QStringList>

// One entry of a code table: what the user sees and what is stored.
struct CodeEntry {
    QString display;
    QString code;
};

// How a column is shown and edited.
enum class EditKind {
    ReadOnly, // shown, never editable
    Text,     // a line edit; `limit` characters at most, 0 for no limit
    DropDown, // a list of `codes`: shows the display texts, stores the codes
    CheckBox, // stores `onValue` when checked, `offValue` when not
    Hidden,   // carried with the row, never shown
};

struct ColumnDefinition {
    QString name;     // the name the pages use (getitemstring, setitem, itemchanged)
    QString dbColumn; // the table's column it is written to; empty for a computed column
    QString label;    // label (form) or heading (grid); also the accessible name
    int width = 0;    // greatest width in characters
    EditKind edit = EditKind::ReadOnly;
    int limit = 0; // for Text: greatest number of characters typed, 0 for none
    QList<CodeEntry> codes;
    QString onValue;
    QString offValue;
    bool updatable = false; // written on save
    int tabPosition = 0;    // 0: not reached with Tab
};

// A display rule for one row: when that row's `whenColumn` equals `equals`, the cell of
// `backgroundColumn` gets `background` (0xRRGGBB) and the `protect` columns cannot be changed.
struct RowRule {
    QString whenColumn;
    QString equals;
    QString backgroundColumn;
    quint32 background = 0xFFFFFF;
    QStringList protect;
};

enum class Presentation {
    Form, // one record, the fields one below the other, each label on its left
    Grid, // one line per row under the column headings
};

// Everything a data view knows about its rows: where they come from, where they go and how
// they are shown. Plain data; the engine and the widgets read it.
struct DataViewDefinition {
    QString name;
    QString select;      // retrieval: every row, every column in `columns` order
    QString updateTable; // the one table updates are written to
    QString keyColumn;   // name of the column identifying a row on update
    Presentation presentation = Presentation::Grid;
    QList<ColumnDefinition> columns;
    QList<RowRule> rules;
    bool equalColumnWidths = false; // grid: the shown columns share the width equally
    quint32 cellBackground = 0xFFFFFF;

    // Index into `columns` of the column with this name (case-insensitive), -1 when none.
    int columnIndex(const QString& column) const;
    // Shown columns ordered by tab position (those with position 0 left out).
    QList<int> tabOrder() const;
};
