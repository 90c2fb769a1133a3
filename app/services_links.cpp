#include "services.h"

void create_links() {}
