#include "services/ui/PromptService.h"

QString PromptService::standardTitle() {
    return QStringLiteral("系统提示窗口");
}

void PromptService::t_f_ok(const QString& messagestr, const QString& detail) {
    messageBox(standardTitle(), messagestr, Icon::Information, detail);
}

void PromptService::messageBox(const QString& title, const QString& text, Icon icon,
                               const QString& detail) {
    if (!m_silenced)
        show(title, text, icon, detail);
}
