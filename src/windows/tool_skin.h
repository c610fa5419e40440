#pragma once
// The tool windows' own skin (":/skin/tools.qss"), layered over the framework's dark skin on the
// layout's root frame "tool_root" and rescaled with the display.

#include "uiframework/window_impl_base.h"

namespace korvel {

void ApplyToolSkin(ui::WindowImplBase& window);

}  // namespace korvel
