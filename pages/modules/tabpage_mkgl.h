#pragma once

#include <QWidget>

class DataView;
class Runtime;

// Page "4.模块管理" of the main window.
class tabpage_mkgl : public QWidget {
    Q_OBJECT
  public:
    explicit tabpage_mkgl(Runtime& runtime, QWidget* parent = nullptr);

    // Entry hook: runs each time the guard lets the user into this page, before it shows.
    // Loads the modules afresh, discarding unsaved edits.
    void enterPage();

    DataView* dw_1 = nullptr; // the function modules (dw_gnmk_ini)

  signals:
    void entered();

  private:
    Runtime& m_runtime;
};
