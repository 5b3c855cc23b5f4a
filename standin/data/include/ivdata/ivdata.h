// The stand-in host's data engine: samples, channels, chromatograms, integration, combining, pages.
#pragma once
#include "ivdata/channel.h"
#include "ivdata/chromatogram.h"
#include "ivdata/combiner.h"
#include "ivdata/error.h"
#include "ivdata/ini.h"
#include "ivdata/integrator.h"
#include "ivdata/page.h"
#include "ivdata/print_job.h"
#include "ivdata/sample.h"
#include "ivdata/synth.h"
#include "ivdata/text.h"
