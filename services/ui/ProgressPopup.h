#pragma once

#include <QPointer>
#include <QString>

#include "services/ui/g_w_mess.h"

// At most one progress popup at a time: gf_sethelp opens it or changes its text,
// gf_closehelp removes it (or does nothing when none is open).
class ProgressPopup {
  public:
    ProgressPopup() = default;
    ~ProgressPopup();
    ProgressPopup(const ProgressPopup&) = delete;
    ProgressPopup& operator=(const ProgressPopup&) = delete;

    // The window the popup stays above (the main window); may be null.
    void setOwner(QWidget* owner) { m_owner = owner; }

    void gf_sethelp(const QString& psmess);
    void gf_closehelp();

    bool isOpen() const;
    // The popup while it is open, null otherwise.
    g_w_mess* window() const { return m_popup; }

  private:
    QPointer<QWidget> m_owner;
    QPointer<g_w_mess> m_popup;
};
