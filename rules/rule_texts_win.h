// Binds the rule parser's error reasons to the resource library's string table.
#pragma once

// The reasons then come from the current gui_module's resource instance; call once at start-up.
void use_resource_rule_texts();
