#include "rules/rule_texts_win.h"

#include "rules/rule_item.h"
#include "ui/framework/gui_module.h"

void use_resource_rule_texts() { set_rule_text_source(&load_resource_string); }
