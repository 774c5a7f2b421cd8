#include "services/RecordingPromptService.h"

#include <QStringList>

void RecordingPromptService::show(const QString& title, const QString& text, Icon icon,
                                  const QString& detail) {
    prompts.append({title, text, icon, detail});
    if (onPrompt)
        onPrompt(prompts.last());
}

QStringList RecordingPromptService::texts() const {
    QStringList list;
    for (const Prompt& p : prompts)
        list << p.text;
    return list;
}
