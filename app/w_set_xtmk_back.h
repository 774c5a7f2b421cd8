#pragma once

#include <QDialog>

class Runtime;
class tab_1;

// The tool's one main window: a fixed-size modal dialog holding tab_1.
class w_set_xtmk_back : public QDialog {
    Q_OBJECT
  public:
    explicit w_set_xtmk_back(Runtime& runtime, QWidget* parent = nullptr);

    // "1" once page 2 has connected and saved during this run; anything else: not connected.
    QString isiflj;

    ::tab_1* tab_1 = nullptr;

    static QString title();

  private:
    void open(); // the window's open event
};
