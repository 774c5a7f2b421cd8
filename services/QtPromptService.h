#pragma once

#include "PromptService.h"

// Shows each prompt as a modal message box over the active window.
class QtPromptService : public PromptService {
  public:
    void messageBox(const QString& title, const QString& text, Icon icon) override;
};
