#include "scene/db.h"

#include "scene/prop_table.h"

namespace scene {

TQZDB::TQZDB() : TQZElement(nullptr) {
  static const TQZClass* cls = &RegisteredClass("TQZDB");
  BindClass(cls);
  SetRootSelf(this);
}

TQZDB::~TQZDB() {
  // Children refer to the root while they are destroyed.
  DestroyChildren();
}

void TQZDB::Register(ClassRegistry& registry) {
  TQZClass cls;
  cls.ClassName = "TQZDB";
  PropTable<TQZDB> t(cls);
  t.Base();
  t.Field("CurKey", PropType::Int32, &TQZDB::CurKey);
  t.Field("InitScreen", PropType::Int32, &TQZDB::InitScreen);
  t.Script("exVarRS", Ev::VarRS);
  t.Script("exInit", Ev::Init);
  t.Script("exAfterLoad", Ev::AfterLoad);
  t.Script("exMouseDown", Ev::MouseDown);
  t.Script("exMouseUp", Ev::MouseUp);
  t.Script("exUpdate", Ev::Update);
  t.Script("exProcess", Ev::Process);
  t.Field("FileRS", PropType::String, &TQZDB::FileRS);
  t.Field("FileFonts", PropType::String, &TQZDB::FileFonts);
  t.Field("hxTransLev", PropType::UInt8, &TQZDB::hxTransLev);
  t.Field("DefLang", PropType::String, &TQZDB::DefLang);
  t.Field("Lang", PropType::String, &TQZDB::Lang);
  t.Field("LoadingScreen", PropType::Int32, &TQZDB::LoadingScreen);
  t.Field("NotSave", PropType::Bool, &TQZDB::NotSave);
  t.ScriptField("exLoadImProcess", &TQZDB::exLoadImProcess);
  t.Field("IniFile", PropType::String, &TQZDB::IniFile);
  t.Field("SoundFile", PropType::String, &TQZDB::SoundFile);
  t.ScriptField("exKeyDown", &TQZDB::exKeyDown);
  t.ScriptField("exExit", &TQZDB::exExit);
  t.Script("exMouseMove", Ev::MouseMove);
  t.Field("MaxMem", PropType::Int32, &TQZDB::MaxMem);
  t.ScriptField("exCheat", &TQZDB::exCheat);
  t.Field("Cheats", PropType::String, &TQZDB::Cheats);
  t.Field("SaveErr", PropType::Bool, &TQZDB::SaveErr);
  t.ScriptField("exSetScreen", &TQZDB::exSetScreen);
  t.Field("AlwaysLoadIm", PropType::Bool, &TQZDB::AlwaysLoadIm);
  t.Field("Version", PropType::Int32, &TQZDB::Version);
  t.Script("exMouseIn", Ev::MouseIn);
  t.Script("exMouseOut", Ev::MouseOut);
  t.Field("Tag", PropType::String, &TQZDB::Tag);
  registry.RegisterClass(std::move(cls));
}

void TQZDB::LoadGameData(std::span<const uint8_t> data) {
  DestroyChildren();
  SetLoading(true);
  LoadFromData(data);
  SetLoading(false);
}

std::string TQZDB::LookupText(const std::string&) { return std::string(); }

bool TQZDB::GetSharedValue(TQZElement&, const std::string&, script::Value&) { return false; }

bool TQZDB::SetSharedValue(TQZElement&, const std::string&, const script::Value&) {
  return false;
}

}  // namespace scene
