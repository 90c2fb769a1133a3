#include "engine_handshake.h"

EngineHandshake& EngineHandshake::instance()
{
    static EngineHandshake h;
    return h;
}
