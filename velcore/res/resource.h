// Identifiers of Velcore's resources. The numbers are part of the interface: a language library
// (Velcore<LANGID>.dll) carries the same identifiers with translated texts.
#pragma once

#define IDS_CAPTION 1
