#pragma once

#include <QWidget>

class DataView;
class QCheckBox;
class QPlainTextEdit;
class QPushButton;
class Runtime;

// Page "4.模块管理" of the main window: which function modules are enabled and from which
// period; saving opens or closes their menu entries, sets the business date and stores them.
class tabpage_mkgl : public QWidget {
    Q_OBJECT
  public:
    explicit tabpage_mkgl(Runtime& runtime, QWidget* parent = nullptr);

    // Entry hook: runs each time the guard lets the user into this page, before it shows.
    // Binds dw_1 to sqlca and loads it, discarding edits not saved.
    // False (the user told why) when the modules cannot be read: the page is then not entered.
    bool enterPage();

    QPlainTextEdit* mle_4 = nullptr;
    QPushButton* cb_1 = nullptr;
    QCheckBox* cbx_qb = nullptr;
    DataView* dw_1 = nullptr;

  signals:
    void entered();

  public slots:
    void dw_1_itemchanged(int row, const QString& column, const QString& data);
    void cbx_qb_clicked();
    void cb_1_clicked();

  private:
    void createControls();
    // The workstation's year and month, six digits: the period a module is enabled from.
    QString currentPeriod() const;
    // Withdraws what the save sent so far and tells the user; cb_1 stays enabled.
    void failSave(const QString& reason);

    Runtime& m_runtime;
};
