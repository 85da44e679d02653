// The preview's entry: installs its side of what the dialog calls (dialog/PreviewSeams.h).
// The preview's functions live in namespace preview, where the dialog's forwarding
// functions of the same names cannot clash with them.
#pragma once

void InstallPreview();
