// The find command.
#include "shell/appstate.h"
#include "shell/unit1.h"

void TForm1::find1Click() {}
