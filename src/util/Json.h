#pragma once

// The whole JSON document model: a Document owns a tree of values reached through handles.
#include "util/JsonArray.h"
#include "util/JsonDocument.h"
#include "util/JsonLimits.h"
#include "util/JsonObject.h"
#include "util/JsonScalars.h"
