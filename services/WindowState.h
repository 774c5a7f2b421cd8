#pragma once

#include <QString>

// State of the main window that its pages share: the connection flag `isiflj`. The window owns
// it; tab_1 and the creation page read it, the connection page writes it.
class WindowState {
  public:
    // "1" once the connection page has connected and saved during this run; only the exact
    // text "1" counts as connected.
    QString isiflj;

    bool connected() const { return isiflj == QLatin1String("1"); }
};
