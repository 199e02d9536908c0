#pragma once
// Everything of the visitor store in one include.
#include "TDataModule1.h"
#include "Storemanage.h"
#include "Storemanage_visit.h"
#include "Storemanage_img.h"
#include "Storemanage_account.h"
#include "Storemanage_settings.h"
#include "Storemanage_audit.h"
#include "Storemanage_watch.h"
#include "Retention.h"
