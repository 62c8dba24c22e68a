#pragma once
#include "process_run.h"  // RunScript and ScriptReport
