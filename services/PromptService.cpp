#include "PromptService.h"

QString PromptService::standardTitle() {
    return QStringLiteral("系统提示窗口");
}

void PromptService::t_f_ok(const QString& messagestr) {
    messageBox(standardTitle(), messagestr, Icon::Information);
}
