#include "yuq_resources.h"

#include <QtGlobal>

void yuq_resources_init()
{
    Q_INIT_RESOURCE(pictures);
}
