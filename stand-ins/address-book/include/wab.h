// The Windows Address Book interface, as programs written for it include it: <wab.h>.
//
// MinGW-w64 ships the WAB headers, but its wab.h pulls in wabutil.h, which includes mapidefs.h
// on top of wabdefs.h, and the two collide; it also leaves out the interface identifiers that
// WAB programs pass to OpenEntry. This header takes the parts that are right as they are
// (wabdefs.h, wabcode.h, wabtags.h, wabiab.h, wabapi.h, wabmem.h, wabnot.h: the vtables, the
// structures, the property tags and the codes) and adds the identifiers. Put this folder ahead of
// the system headers in the include path; code that includes <wab.h> then compiles unchanged
// against the Windows SDK and here.
//
// Interface identifiers: as with every COM header, one translation unit includes <initguid.h>
// first to define them; MinGW-w64 marks the definitions selectany, so more than one may do so.
#ifndef VELOR_STANDIN_WAB_H
#define VELOR_STANDIN_WAB_H

#include <wabdefs.h>
#include <wabcode.h>
#include <wabtags.h>
#include <wabiab.h>
#include <wabapi.h>
#include <wabmem.h>
#include <wabnot.h>

// Absent from MinGW-w64's wabtags.h: the members of a WAB distribution list, as entry ids.
#ifndef PR_WAB_DL_ENTRIES
#define PR_WAB_DL_ENTRIES PROP_TAG(PT_MV_BINARY, 0x8054)
#endif

// The identifiers of the MAPI interfaces the WAB objects answer to (mapiguid.h declares the same
// values for MAPI proper; a program that includes both gets them from there).
#ifndef MAPIGUID_H
DEFINE_OLEGUID(IID_IMAPIProp, 0x00020303, 0, 0);
DEFINE_OLEGUID(IID_IMAPITable, 0x00020301, 0, 0);
DEFINE_OLEGUID(IID_IAddrBook, 0x00020309, 0, 0);
DEFINE_OLEGUID(IID_IMailUser, 0x0002030A, 0, 0);
DEFINE_OLEGUID(IID_IMAPIContainer, 0x0002030B, 0, 0);
DEFINE_OLEGUID(IID_IABContainer, 0x0002030D, 0, 0);
DEFINE_OLEGUID(IID_IDistList, 0x0002030E, 0, 0);
#endif

#endif
