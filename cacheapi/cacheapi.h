#pragma once

// The database module: everything that touches the server.

#include "access.h"
#include "cacheerror.h"
#include "cacheobjects.h"
#include "commandlinerule.h"
#include "connectiondata.h"
#include "connectionrecord.h"
#include "dbcall.h"
#include "errorreport.h"
#include "factoryregistry.h"
#include "ports/ports.h"
#include "settingsstore.h"
#include "textconversion.h"
#include "timing.h"
#include "userlookup.h"
#include "words.h"
