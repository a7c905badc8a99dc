// Shared pieces of OLE data transfer: the drop-effect type, and copies of
// storage media for data that is handed on while its first owner keeps (and
// later releases) the original.
#pragma once

#include <windows.h>
#include <objidl.h>
#include <oleidl.h>

// DROPEFFECT_* bits.
typedef DWORD DROPEFFECT;

// A new movable global block with the bytes of `source`; null on failure.
HGLOBAL DuplicateGlobal(HGLOBAL source);

// Fills `copy` with a medium of its own that the receiver releases with
// ReleaseStgMedium: a new global block, GDI object, metafile or file name;
// streams and storages are shared with a reference of their own. `format` is
// the clipboard format (GDI objects and metafiles are copied by it).
HRESULT DuplicateStgMedium(CLIPFORMAT format, const STGMEDIUM& source, STGMEDIUM* copy);
