#pragma once
// Joins the live stream's server to the continuous record: the [DataOutput] settings start, move
// or stop it, and every record the record makes is published to its clients.
#include "archive/DataOutput.h"
#include "seedlink/SeedLinkServer.h"

namespace tevra {

// From now on every Configure of `record` applies SeedLink, SeedLinkAddress and SeedLinkPort to
// `server`; a server that cannot start is told to `log` (its reason in Japanese). Both must
// outlive the link.
void LinkSeedLinkServer(TDataOutput& record, TSeedLinkServer& server, TDataOutput::TLog log);

}  // namespace tevra
