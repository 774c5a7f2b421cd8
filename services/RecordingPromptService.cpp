#include "RecordingPromptService.h"

#include <QStringList>

void RecordingPromptService::messageBox(const QString& title, const QString& text, Icon icon) {
    prompts.append({title, text, icon});
    if (onPrompt)
        onPrompt(prompts.last());
}

QStringList RecordingPromptService::texts() const {
    QStringList list;
    for (const Prompt& p : prompts)
        list << p.text;
    return list;
}
