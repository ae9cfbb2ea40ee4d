#pragma once

// The database module: everything that touches the server.

#include "cacheapi/access.h"
#include "cacheapi/connectiondata.h"
#include "cacheapi/connectionrecord.h"
#include "cacheapi/dbcall.h"
#include "cacheapi/errorreport.h"
#include "cacheapi/objects/cacheerror.h"
#include "cacheapi/objects/cacheobjects.h"
#include "cacheapi/objects/factoryregistry.h"
#include "cacheapi/ports/ports.h"
#include "cacheapi/text/commandlinerule.h"
#include "cacheapi/text/textconversion.h"
#include "cacheapi/text/words.h"
#include "cacheapi/timing.h"
#include "cacheapi/userlookup.h"
#include "settings/settingsstore.h"
