// Everything of the energy evaluation in one include.
#pragma once

#include "barrier.h"
#include "evaluator.h"
#include "fileutil.h"
#include "pathstructs.h"
#include "report.h"
