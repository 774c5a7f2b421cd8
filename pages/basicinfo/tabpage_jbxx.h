#pragma once

#include <QWidget>

class DataView;
class Runtime;

// Page "3.基本信息" of the main window.
class tabpage_jbxx : public QWidget {
    Q_OBJECT
  public:
    explicit tabpage_jbxx(Runtime& runtime, QWidget* parent = nullptr);

    // Entry hook: runs each time the guard lets the user into this page, before it shows.
    // Loads the periods and the business row afresh, discarding unsaved edits.
    void enterPage();

    DataView* dw_4 = nullptr; // accounting periods (sto_dw_kjqjsz)
    DataView* dw_3 = nullptr; // the business's details (dw_pub_khjbxx)

  signals:
    void entered();

  private:
    Runtime& m_runtime;
};
