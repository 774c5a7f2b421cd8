#pragma once

#include "services/ui/PromptService.h"

#include <QList>

#include <functional>

// For tests: records each prompt (title, text, icon) and returns at once, as if the user had
// confirmed it. onPrompt, when set, runs while the prompt "is shown".
class RecordingPromptService : public PromptService {
  public:
    struct Prompt {
        QString title;
        QString text;
        Icon icon;
        QString detail;
    };

    QList<Prompt> prompts;
    std::function<void(const Prompt&)> onPrompt;

    QStringList texts() const;
    void clear() { prompts.clear(); }

  protected:
    void show(const QString& title, const QString& text, Icon icon, const QString& detail) override;
};
