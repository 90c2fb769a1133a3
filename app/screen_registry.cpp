#include "screen_registry.h"

#include "ui/shell/screenkit.h"

// Every built page's factory (YUQ_SCREEN in its .cpp), from the page table.
#define YUQ_PAGE(id, Class, pointer, parent, kind) ScreenBase* yuq_make_##Class();
#define YUQ_STANDIN(id, Class, pointer, parent, kind)
#include "ui/shell/pages.def"
#undef YUQ_PAGE
#undef YUQ_STANDIN

void register_screens()
{
#define YUQ_PAGE(id, Class, pointer, parent, kind) kit::set_factory(id, &yuq_make_##Class);
#define YUQ_STANDIN(id, Class, pointer, parent, kind)
#include "ui/shell/pages.def"
#undef YUQ_PAGE
#undef YUQ_STANDIN
}
