#pragma once

#include "dataviews/DataViewDefinition.h"

// The tool's three data views and their code tables. Each is built once and never changes.

// The business's own details (t_zd_user), a form of one record.
const DataViewDefinition& dw_pub_khjbxx();
// The accounting periods (lskjqj), a list.
const DataViewDefinition& sto_dw_kjqjsz();
// The function modules (LSXTMC), a list.
const DataViewDefinition& dw_gnmk_ini();

// Industries of t_zd_user.hangye, in the order offered.
const QList<CodeEntry>& industryCodes();
// Year flags of lskjqj_flag and lskjqj_flag1.
const QList<CodeEntry>& yearFlagCodes();
