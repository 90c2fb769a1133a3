#pragma once
// The panel's pictures live in a static library; the linker keeps them only
// when something calls this once before the first picture is loaded.
void yuq_resources_init();
