#include "modal_dialog.h"

// Defined here, so the runner's virtual table lives in one object file.
TModalRunner::~TModalRunner() = default;
