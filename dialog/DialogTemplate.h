/* The settings dialog's frame, shared by the resource script and the control table.
   Plain preprocessor only: windres reads it too. */
#ifndef QV_DIALOG_DIALOGTEMPLATE_H
#define QV_DIALOG_DIALOGTEMPLATE_H

#define QV_DIALOG_NAME "UIPARAM"
#define QV_DIALOG_CAPTION "Vellumix for Photoshop"
#define QV_DIALOG_WIDTH 487
#define QV_DIALOG_HEIGHT 226
#define QV_DIALOG_FONT "Helv"
#define QV_DIALOG_POINTS 8

#endif
