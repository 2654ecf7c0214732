// The module's command table: every command it registers, with its group, names, flags,
// handler and what HELP says it does.
#pragma once

// Registers the table's commands in its order; the two marker commands only on a full host.
void registerCommandTable();
// Removes the table's seven command groups.
void removeCommandTable();
