#pragma once
// The bound OCI entry points: one function pointer per name, named after the
// OCI function, null while the client library is not loaded or when the
// name's version group could not be bound. Test the group flags of
// oci_loader_state.h, not the pointers, before calling.

#include <cstddef>

#include "oracle/client/oci_entry_point_names.h"
#include "platform/oci/oci_api.h"

namespace oracle {

// OCI7 calls have no prototypes in the OCI header (the stand-in client does
// not export them); these are their published signatures. Logon and cursor
// data areas are the caller's own buffers.
extern "C" {
using PFN_orlon = sword (*)(Lda_Def* lda, ub1* hda, OraText* uid, sword uidl, OraText* pswd,
                            sword pswdl, sword audit);
using PFN_ologof = sword (*)(Lda_Def* lda);
using PFN_oerhms = sword (*)(Lda_Def* lda, sb2 rcode, OraText* buf, sword bufsiz);
using PFN_oopen = sword (*)(cda_def* cursor, Lda_Def* lda, OraText* dbn, sword dbnl, sword arsize,
                            OraText* uid, sword uidl);
using PFN_oparse = sword (*)(cda_def* cursor, OraText* sqlstm, sb4 sqllen, sword defflg,
                             ub4 lngflg);
using PFN_odefin = sword (*)(cda_def* cursor, sword pos, ub1* buf, sword bufl, sword ftype,
                             sword scale, sb2* indp, OraText* fmt, sword fmtl, sword fmtt,
                             ub2* rlen, ub2* rcode);
using PFN_oexfet = sword (*)(cda_def* cursor, ub4 nrows, sword cancel, sword exact);
using PFN_ofen = sword (*)(cda_def* cursor, sword nrows);
using PFN_oflng = sword (*)(cda_def* cursor, sword pos, ub1* buf, sb4 bufl, sword dtype, ub4* retl,
                            sb4 offset);
using PFN_oclose = sword (*)(cda_def* cursor);
using PFN_odescr = sword (*)(cda_def* cursor, sword pos, sb4* dbsize, sb2* dbtype, sb1* cbuf,
                             sb4* cbufl, sb4* dsize, sb2* prec, sb2* scale, sb2* nullok);
using PFN_oexec = sword (*)(cda_def* cursor);
using PFN_oexn = sword (*)(cda_def* cursor, sword iters, sword rowoff);
using PFN_ocom = sword (*)(Lda_Def* lda);
using PFN_orol = sword (*)(Lda_Def* lda);
using PFN_ocon = sword (*)(Lda_Def* lda);
using PFN_ocof = sword (*)(Lda_Def* lda);
using PFN_obreak = sword (*)(Lda_Def* lda);
using PFN_obndra = sword (*)(cda_def* cursor, OraText* sqlvar, sword sqlvl, ub1* progv,
                             sword progvl, sword ftype, sword scale, sb2* indp, ub2* alen,
                             ub2* arcode, ub4 maxsiz, ub4* cursiz, OraText* fmt, sword fmtl,
                             sword fmtt);
using PFN_odessp = sword (*)(Lda_Def* lda, OraText* objnam, std::size_t onlen, ub1* rsv1,
                             std::size_t rsv1ln, ub1* rsv2, std::size_t rsv2ln, ub2* ovrld,
                             ub2* pos, ub2* level, OraText** argnm, ub2* arnlen, ub2* dtype,
                             ub1* defsup, ub1* mode, ub4* dtsiz, sb2* prec, sb2* scale, ub1* radix,
                             ub4* spare, ub4* arrsiz);
using PFN_olog = sword (*)(Lda_Def* lda, ub1* hda, OraText* uid, sword uidl, OraText* pswd,
                           sword pswdl, OraText* conn, sword connl, ub4 mode);
using PFN_opinit = sword (*)(ub4 mode);

// Transaction-server support calls (status codes are those of mts_errors.h).
using PFN_OraMTSSvcGet = ub4 (*)(OraText* user, OraText* password, OraText* database,
                                 OCISvcCtx** svchp, OCIEnv** envhp, ub4 flags);
using PFN_OraMTSSvcRel = ub4 (*)(OCISvcCtx* svchp);
using PFN_OraMTSSvcEnlist = ub4 (*)(OCISvcCtx* svchp, OCIError* errhp, void* transaction,
                                    ub4 flags);
using PFN_OraMTSSvcEnlistEx = ub4 (*)(OCISvcCtx* svchp, OCIError* errhp, void* transaction,
                                      ub4 flags, OraText* database);
using PFN_OraMTSTransTest = ub4 (*)();
}

#define NORVANE_DECLARE_OCI_POINTER(name) extern PFN_##name name;
NORVANE_OCI_ALL_NAMES(NORVANE_DECLARE_OCI_POINTER)
NORVANE_ORAMTS_NAMES(NORVANE_DECLARE_OCI_POINTER)
#undef NORVANE_DECLARE_OCI_POINTER

}  // namespace oracle
