// The template sets of the 27 states and of the national environment ("AN").
//
// Most states publish the same envelopes as the base set; the classes exist for every state so that the
// choice of set is always by state. Every override keeps the base text for layout 3.10.
#pragma once

#include "xml/vxnNFeTemplateVersaoUF.h"

#include <memory>
#include <string_view>

namespace vxn {

// States whose registry-query envelope in 4.00 has no header element.
class TvxnNFeTemplateVersaoUF_SemCabecalhoCadastro : public TvxnNFeTemplateVersaoUF {
public:
  std::string getPedidoConsultaCadastro_Soap() const override;
};

#define VXN_DECLARE_TEMPLATE_UF(UF, Base)                                                                    \
  class TvxnNFeTemplateVersaoUF_##UF : public Base {};

VXN_DECLARE_TEMPLATE_UF(AC, TvxnNFeTemplateVersaoUF_SemCabecalhoCadastro)
VXN_DECLARE_TEMPLATE_UF(AL, TvxnNFeTemplateVersaoUF)
VXN_DECLARE_TEMPLATE_UF(AM, TvxnNFeTemplateVersaoUF)
VXN_DECLARE_TEMPLATE_UF(AP, TvxnNFeTemplateVersaoUF)
VXN_DECLARE_TEMPLATE_UF(BA, TvxnNFeTemplateVersaoUF_SemCabecalhoCadastro)
VXN_DECLARE_TEMPLATE_UF(CE, TvxnNFeTemplateVersaoUF_SemCabecalhoCadastro)
VXN_DECLARE_TEMPLATE_UF(DF, TvxnNFeTemplateVersaoUF)
VXN_DECLARE_TEMPLATE_UF(ES, TvxnNFeTemplateVersaoUF_SemCabecalhoCadastro)
VXN_DECLARE_TEMPLATE_UF(GO, TvxnNFeTemplateVersaoUF)
VXN_DECLARE_TEMPLATE_UF(MA, TvxnNFeTemplateVersaoUF)
VXN_DECLARE_TEMPLATE_UF(MS, TvxnNFeTemplateVersaoUF_SemCabecalhoCadastro)
VXN_DECLARE_TEMPLATE_UF(MT, TvxnNFeTemplateVersaoUF)
VXN_DECLARE_TEMPLATE_UF(PA, TvxnNFeTemplateVersaoUF)
VXN_DECLARE_TEMPLATE_UF(PB, TvxnNFeTemplateVersaoUF_SemCabecalhoCadastro)
VXN_DECLARE_TEMPLATE_UF(PE, TvxnNFeTemplateVersaoUF_SemCabecalhoCadastro)
VXN_DECLARE_TEMPLATE_UF(PI, TvxnNFeTemplateVersaoUF)
VXN_DECLARE_TEMPLATE_UF(PR, TvxnNFeTemplateVersaoUF_SemCabecalhoCadastro)
VXN_DECLARE_TEMPLATE_UF(RJ, TvxnNFeTemplateVersaoUF)
VXN_DECLARE_TEMPLATE_UF(RN, TvxnNFeTemplateVersaoUF_SemCabecalhoCadastro)
VXN_DECLARE_TEMPLATE_UF(RO, TvxnNFeTemplateVersaoUF)
VXN_DECLARE_TEMPLATE_UF(RR, TvxnNFeTemplateVersaoUF)
VXN_DECLARE_TEMPLATE_UF(RS, TvxnNFeTemplateVersaoUF_SemCabecalhoCadastro)
VXN_DECLARE_TEMPLATE_UF(SC, TvxnNFeTemplateVersaoUF_SemCabecalhoCadastro)
VXN_DECLARE_TEMPLATE_UF(SE, TvxnNFeTemplateVersaoUF)
VXN_DECLARE_TEMPLATE_UF(SP, TvxnNFeTemplateVersaoUF_SemCabecalhoCadastro)
VXN_DECLARE_TEMPLATE_UF(TO, TvxnNFeTemplateVersaoUF)

#undef VXN_DECLARE_TEMPLATE_UF

// Minas Gerais keeps the 2.00 registry-query envelope, with its own state code fixed in the header.
class TvxnNFeTemplateVersaoUF_MG : public TvxnNFeTemplateVersaoUF {
public:
  std::string getPedidoConsultaCadastro_Soap() const override;
};

// The national environment: its recipient-query and download envelopes keep the cUF header in 4.00,
// and its lot request has the version fixed and no synchronous-processing flag.
class TvxnNFeTemplateVersaoUF_AN : public TvxnNFeTemplateVersaoUF {
public:
  std::string getConsultaDest_Soap() const override;
  std::string getEventoDownloadNFe_Soap() const override;
  std::string getPedidoEnviarNota_Xml() const override;
};

// The template set of a state: exact, case-sensitive match of the 28 codes; any other text (the empty
// one included) gives the base set.
std::unique_ptr<TvxnNFeTemplateVersaoUF> CreateTemplateVersaoUF(std::string_view uf);

} // namespace vxn
