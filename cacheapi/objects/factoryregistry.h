#pragma once

#include "cacheapi/objects/cacheobjects.h"

#include <functional>
#include <memory>

// Where the program finds the implementation of the database object interface,
// as the server's client would be found through its registered component.
// The application registers the engine at start-up; tests register fakes.
using FactoryCreator = std::function<std::unique_ptr<Factory>()>;

void registerFactory(FactoryCreator creator);

// A new, unconnected factory. Throws CacheError when none is registered.
std::unique_ptr<Factory> createFactory();
