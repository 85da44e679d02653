#include "plugin/Module.h"

CScanner m_Scanner;
