/* The module's string table. The resource script and the headless build both take
   their texts from here, so the two cannot drift apart. Plain preprocessor only. */
#ifndef QV_RESOURCES_STRINGS_H
#define QV_RESOURCES_STRINGS_H

#define IDS_REQUIRES_VERSION 16992
#define IDS_INCOMPATIBLE_HOST 16993

/* \256 is the registered sign in the ANSI code page. */
#define TEXT_REQUIRES_VERSION "This plug-in requires Adobe Photoshop\256 ^1 or later functionality."
#define TEXT_INCOMPATIBLE_HOST "This plug-in is incompatible with this version of the host program."

#endif
