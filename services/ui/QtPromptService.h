#pragma once

#include "services/ui/PromptService.h"

// Shows each prompt as a modal message box over the active window.
class QtPromptService : public PromptService {
  protected:
    void show(const QString& title, const QString& text, Icon icon, const QString& detail) override;
};
