#pragma once

#include "services/ui/PromptService.h"

class QCoreApplication;

// Shows each prompt as a modal message box over the active window.
class QtPromptService : public PromptService {
  public:
    // Qt's own Chinese texts for the boxes' standard buttons ("确定", the details button);
    // false when the translation is not installed, and the boxes then speak English.
    static bool installQtTranslation(QCoreApplication& app);

  protected:
    void show(const QString& title, const QString& text, Icon icon, const QString& detail) override;
};
