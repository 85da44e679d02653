#include "dialog/PreviewSeams.h"

bool bStandardPaper = true;

void PreScan_MakeDCFromGamma() {}
void PreScan_InverseSelectRect() {}
void PreScan_ReDoSelectRect() {}
void PreScan_SelectRect_CalculateCoordinates() {}
