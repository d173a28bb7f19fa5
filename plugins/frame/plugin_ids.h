#pragma once
#include <windows.h>

#include "type_library.h"

// The component categories in which plug-ins are found, and the type libraries their
// interfaces are described by (registered with the core, never by a plug-in).
extern const GUID kTransportCategory; // {A31FF0FD-B1D2-478C-B794-96E68EC701E1}
extern const GUID kFormatCategory;    // {5BD3D599-E24A-4E8F-89A1-FA0B859CCD5A}

extern const TypeLibrarySource kTransportTypeLibrary; // IQLX_TPLUGINLib 5.8
extern const TypeLibrarySource kFormatTypeLibrary;    // IQLX_RPLUGINLib 5.4

enum class PluginKind { kTransport, kFormat };
