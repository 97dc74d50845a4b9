#pragma once
// ITimerHost: what the timer form (frmShablon) calls when its timers fire,
// and the few questions and options it needs for that. The connection class
// implements it; the form owns no add-in state itself.
class ITimerHost {
 public:
  virtual ~ITimerHost() = default;

  // --- work the timers start ------------------------------------------------
  // The periodic exchange (bShowComplete false).
  virtual void Syncronize(bool bShowComplete) = 0;
  // The add-in mails that arrived (new-mail timer, start-up follow-up).
  virtual void OnNewMails() = 0;
  virtual void LocalSynchronization() = 0;
  virtual void FastLocalSynchronization() = 0;
  // The folder purge after a change of the member folders.
  virtual void DeleteFolders() = 0;
  // The inspector timer: a sham meeting's window to close. Nothing by default.
  virtual void CloseShamMeeting() {}
  // The safe timer: the sharing-engine bridge's deferred work. Nothing by default.
  virtual void OnSafeTimer() {}

  // --- the start-up follow-up's inputs and questions ---------------------
  virtual bool FolderCreatedThisStart() = 0;
  virtual bool FirstRunOnStore() = 0;
  // The groups' receiver list is not empty.
  virtual bool HasReceivers() = 0;
  virtual bool NeedLocalSync() = 0;
  virtual void SetNeedLocalSync() = 0;
  // frmNeedGlobalSync, modal.
  virtual void ShowNeedGlobalSync() = 0;
  // frmNeedLocalSync; true on Yes.
  virtual bool AskNeedLocalSync() = 0;

  // --- options, read at each use ----------------------------------------------
  virtual bool AutoGSynchEnable() = 0;
  virtual long AutoGSynchPeriod() = 0;
  // The fast local synchronisation is not switched off (AutoLFastSynchDisable).
  virtual bool FastSynchOn() = 0;
  // The LogEvents option bit: the safe pump logs its start and end.
  virtual bool LogEvents() = 0;
};
