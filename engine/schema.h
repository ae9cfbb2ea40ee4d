#pragma once

class Session;

// Creates the server's tables in an empty database; leaves existing ones alone.
void ensureSchema(Session &session);
