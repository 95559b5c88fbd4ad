Attribute VB_Name = "vxconst"
' Constants of the Vexlar automation interface (sample subset for the
' examples' host folder).
Option Explicit

Public Enum vxDocumentTypes_e
	vxDocNONE = 0
	vxDocPART = 1
	vxDocASSEMBLY = 2
	vxDocDRAWING = 3
End Enum

Public Enum vxAnnotationType_e
	vxCThread = 1
	vxDatumTag = 2
	vxDatumTargetSym = 3
	vxDisplayDimension = 4
	vxGTol = 5
	vxNote = 6
	vxSFSymbol = 7
	vxWeldSymbol = 8
	vxCustomSymbol = 9
	vxDowelSym = 10
	vxLeader = 11
	vxBlock = 12
	vxCenterMarkSym = 13
	vxTableAnnotation = 14
	vxCenterLine = 15
End Enum

Public Enum vxSelectType_e
	vxSelNOTHING = 0
	vxSelEDGES = 1
	vxSelFACES = 2
	vxSelCOMPONENTS = 20
	vxSelDRAWINGVIEWS = 12
	vxSelSHEETS = 13
End Enum
