// Everything of the energy evaluation in one include.
#pragma once

#include "energy/barrier.h"
#include "energy/evaluator.h"
#include "energy/pathstructs.h"
#include "energy/report.h"
