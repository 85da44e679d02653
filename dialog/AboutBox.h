// The host's about request.
#pragma once

#include "plugin/HostInterface.h"

// Returns when the user has closed the box. The box is owned by the host window that
// platformData points to, when there is one.
void ShowAboutBox(const AboutRecord* about);
