#pragma once

#include <QWidget>

class DataView;
class QCheckBox;
class QGroupBox;
class QPushButton;
class Runtime;

// Page "3.基本信息" of the main window: the business's own details (dw_3), its accounting
// periods (dw_4), the switches that follow the industry, and the save.
class tabpage_jbxx : public QWidget {
    Q_OBJECT
  public:
    explicit tabpage_jbxx(Runtime& runtime, QWidget* parent = nullptr);

    // Entry hook: runs each time the guard lets the user into this page, before it shows.
    // Loads the periods and the business row afresh, discarding unsaved edits. False (the
    // user told why) when they cannot be read: the page is then not entered.
    bool enterPage();

    // The controls, in declaration order.
    DataView* dw_4 = nullptr; // accounting periods (sto_dw_kjqjsz)
    QCheckBox* cbx_xyldsj = nullptr;
    QCheckBox* cbx_xykf = nullptr;
    QCheckBox* cbx_cykf = nullptr;
    QPushButton* cb_6 = nullptr;
    DataView* dw_3 = nullptr; // the business's details (dw_pub_khjbxx)
    QGroupBox* gb_2 = nullptr;

  public slots:
    void dw_4_clicked(const QString& objectType, int row);
    void dw_3_itemchanged(int row, const QString& column, const QString& data);
    void cb_6_clicked();

  signals:
    void entered();

  private:
    void createControls();
    // A switch takes its enabled state first, then its checked state.
    static void setSwitch(QCheckBox* box, bool on);
    // Rolls back and shows message with the reason as its detail.
    void failSave(const QString& message, const QString& reason);

    Runtime& m_runtime;
};
