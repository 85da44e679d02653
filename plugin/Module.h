// Module-level objects: live from the module's load to its unload.
#pragma once

#include "scanner/Scanner.h"

extern CScanner m_Scanner;
