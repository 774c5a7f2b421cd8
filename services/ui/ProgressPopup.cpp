#include "services/ui/ProgressPopup.h"

#include "services/ui/g_w_mess.h"

#include <QApplication>

ProgressPopup::~ProgressPopup() {
    gf_closehelp();
}

bool ProgressPopup::isOpen() const {
    return !m_popup.isNull();
}

void ProgressPopup::gf_sethelp(const QString& psmess) {
    if (!isOpen()) {
        m_popup = new g_w_mess(psmess, m_owner);
        m_popup->setAttribute(Qt::WA_DeleteOnClose, false);
        m_popup->show();
    } else {
        m_popup->wf_setmess(psmess);
        m_popup->activateWindow();
        m_popup->setFocus();
    }
    // Paint the new text now: the caller is usually about to block on the server.
    QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void ProgressPopup::gf_closehelp() {
    if (!isOpen())
        return;
    g_w_mess* popup = m_popup;
    m_popup = nullptr;
    popup->hide();
    delete popup;
}
