// GPeripheral: installing and removing the add-on proxies of a stage.
#include "framework/core/GPeripheral.h"

void GPeripheral::BeginUpdate() {}

void GPeripheral::EndUpdate() {}
