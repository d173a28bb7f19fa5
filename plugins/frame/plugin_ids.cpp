#include "plugin_ids.h"

#include "qlx_rplugin.h"
#include "qlx_tplugin.h"

const GUID kTransportCategory = {
    0xA31FF0FD, 0xB1D2, 0x478C, {0xB7, 0x94, 0x96, 0xE6, 0x8E, 0xC7, 0x01, 0xE1}};
const GUID kFormatCategory = {
    0x5BD3D599, 0xE24A, 0x4E8F, {0x89, 0xA1, 0xFA, 0x0B, 0x85, 0x9C, 0xCD, 0x5A}};

const TypeLibrarySource kTransportTypeLibrary = {&LIBID_IQLX_TPLUGINLib, 5, 8};
const TypeLibrarySource kFormatTypeLibrary = {&LIBID_IQLX_RPLUGINLib, 5, 4};
