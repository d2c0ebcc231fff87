-- Run by try-in-ardour.sh in Ardour's headless Lua session tool (ardour7-lua):
--   create DIR NAME [BPM]   a new session (at BPM, 120 by default) with Zelk on a MIDI track, a
--                           two-note pattern set through its parameters, two rolls of the
--                           transport (listen synth on, then off), saved
--   reload DIR NAME [BPM]   the saved session opened again: the pattern read back, played again
-- Every finding is printed as a line starting with "ardour:"; a line starting with "FAIL:" marks
-- one that is not what Zelk should show. The process exits 1 when there was any.

local phase, dir, name = arg[1], arg[2], arg[3]
local TEMPO = tonumber (arg[4] or "120")
local clock = ARDOUR.LuaAPI.monotonic_time
local t0 = clock ()
local failures = 0
local function say (...) print (string.format ("ardour: [%6.2fs] ", (clock () - t0) / 1e6) .. string.format (...)) end
local function fail (...) failures = failures + 1; print ("FAIL: " .. string.format (...)) end
local function finish ()
	if Session then close_session () end
	if failures > 0 then print ("FAIL: " .. failures .. " finding(s) above") end
	os.exit (failures > 0 and 1 or 0)
end

-- At 48 kHz and 120 BPM (a new session's tempo) one beat is 24000 samples.
local RATE = 48000
local BEAT = RATE * 60 / TEMPO
-- The pattern, in the parameters' own units, and their ranges (normalised 0..1 in VST 3).
local NOTES = {
	{ slot = 1, pitch = 60, start = 0, duration = 1 },
	{ slot = 2, pitch = 64, start = 2, duration = 2 },
}
local RANGES = { enabled = { 0, 1 }, pitch = { 0, 127 }, start = { 0, 31.9375 }, duration = { 0.0625, 32 } }

ARDOUR.config ():set_hide_dummy_backend (false)
local backend = AudioEngine:set_backend ("None (Dummy)", "", "")
if not backend or backend:isnil () then fail ("no Dummy backend"); os.exit (1) end
backend:set_device_name ("Silence")
backend:set_sample_rate (RATE)
backend:set_buffer_size (1024)
if AudioEngine:start (false) ~= 0 then fail ("the Dummy backend did not start"); os.exit (1) end
say ("engine: %s, %d Hz, %d-sample blocks", AudioEngine:current_backend_name (), backend:sample_rate (), backend:buffer_size ())

local found
for p in ARDOUR.LuaAPI.list_plugins ():iter () do
	if p.type == ARDOUR.PluginType.VST3 and p.name == "Zelk" then found = p end
end
if not found then fail ("Zelk is not among Ardour's VST 3 plug-ins (was the scanner run?)"); os.exit (1) end
say ("plug-in list: %s by %s, category %s, id %s, %s", found.name, found.creator, found.category, found.unique_id, found.path)

if phase == "create" then
	create_session (dir, name, RATE)
else
	load_session (dir, name)
end
if not Session then fail ("no session"); os.exit (1) end
if phase == "create" and TEMPO ~= 120 then
	local map = Temporal.TempoMap.write_copy ()
	map:set_tempo (Temporal.Tempo (TEMPO, TEMPO, 4), Temporal.timepos_t (0))
	Temporal.TempoMap.update (map)
end
local tempo = Temporal.TempoMap.read ():tempo_at (Temporal.timepos_t (0)):quarter_notes_per_minute ()
say ("session %s: %s, %g BPM", phase == "create" and "created" or "loaded", Session:path (), tempo)
if math.abs (tempo - TEMPO) > 1e-6 then fail ("the session's tempo is %g, not %g", tempo, TEMPO) end

local track, zelk, probe
if phase == "create" then
	local pinfo = ARDOUR.LuaAPI.new_plugin_info ("Zelk", ARDOUR.PluginType.VST3)
	local tl = Session:new_midi_track (ARDOUR.ChanCount (ARDOUR.DataType ("midi"), 1),
		ARDOUR.ChanCount (ARDOUR.DataType ("audio"), 2), false, pinfo, nil, nil, 1, "Zelk",
		ARDOUR.PresentationInfo.max_order, ARDOUR.TrackMode.Normal, true, false)
	track = tl:front ()
	zelk = track:nth_plugin (0)
	-- the probe goes right after Zelk, before the fader
	probe = ARDOUR.LuaAPI.new_luaproc (Session, "Zelk Probe")
	if probe:isnil () then fail ("the probe plug-in was not found"); os.exit (1) end
	track:add_processor_by_index (probe, 1, nil, true)
else
	track = Session:route_by_name ("Zelk"):to_track ()
	zelk = track:nth_plugin (0)
	probe = track:nth_plugin (1)
end
if zelk:isnil () or zelk:display_name () ~= "Zelk" then fail ("Zelk is not on the track"); finish () end
say ("MIDI track with Zelk as its instrument: audio in %d, MIDI in %d -> audio out %d, MIDI out %d",
	zelk:input_streams ():n_audio (), zelk:input_streams ():n_midi (),
	zelk:output_streams ():n_audio (), zelk:output_streams ():n_midi ())
local chain = {}
for i = 0, 20 do
	local p = track:nth_processor (i)
	if p:isnil () then break end
	chain[#chain + 1] = p:display_name ()
end
say ("the track's processors: %s; its outputs: audio %d, MIDI %d", table.concat (chain, ", "),
	track:n_outputs ():n_audio (), track:n_outputs ():n_midi ())

local plugin = zelk:to_insert ():plugin (0)
local count = plugin:parameter_count ()
local index, labels = {}, {}
for i = 0, count - 1 do
	local _, t = plugin:get_parameter_descriptor (i, ARDOUR.ParameterDescriptor ())
	index[t[2].label] = i
	labels[i] = t[2].label
end
say ("parameters: %d; the first %q, %q, %q; number %d %q; the last two %q, %q", count, labels[0],
	labels[1], labels[2], index["Note 1 enabled"] or -1, labels[index["Note 1 enabled"] or 0],
	labels[count - 2], labels[count - 1])
say ("Ardour's limit-n-automatables is %d: the parameters after that many show, save and load but cannot be automated",
	ARDOUR.config ():get_limit_n_automatables ())
if count ~= 14845 then fail ("expected 14845 parameters (14844 and the wrapper's Bypass), saw %d", count) end

local function param (label)
	local i = index[label]
	if not i then fail ("no parameter %q", label); finish () end
	return i
end
local function get (label, lo, hi)
	return lo + ARDOUR.LuaAPI.get_processor_param (zelk, param (label)) * (hi - lo)
end
local function set (label, value, lo, hi)
	ARDOUR.LuaAPI.set_processor_param (zelk, param (label), (value - lo) / (hi - lo))
end
local function note_label (n, field) return "Note " .. n.slot .. " " .. field end

local shm = probe:to_insert ():plugin (0):to_luaproc ():shmem ()
local function roll (seconds)
	Session:request_locate (0, false, ARDOUR.LocateTransportDisposition.MustStop, ARDOUR.TransportRequestSource.TRS_UI)
	ARDOUR.LuaAPI.usleep (300000)
	shm:clear ()
	Session:request_roll (ARDOUR.TransportRequestSource.TRS_UI)
	ARDOUR.LuaAPI.usleep (math.floor (seconds * 1e6))
	Session:request_stop (false, false, ARDOUR.TransportRequestSource.TRS_UI)
	ARDOUR.LuaAPI.usleep (300000)
	local s = shm:to_int (0):array ()
	local f = shm:to_float (0):array ()
	local r = { events = s[1], ons = s[2], offs = s[3], bends = s[4], pressure = s[5], cc = s[6],
		other = s[7], configs = s[8], audible = s[10], peak = f[11], rolled = s[12], jumps = s[13],
		minblock = s[14], maxblock = s[15], log = {} }
	for k = 0, s[17] - 1 do
		local b = 18 + k * 4
		r.log[#r.log + 1] = { at = s[b], status = s[b + 1], key = s[b + 2], velocity = s[b + 3] }
	end
	say ("rolled %.1f s: %d blocks of %d to %d samples, %d of them not where the one before ended",
		seconds, r.rolled, r.minblock, r.maxblock, r.jumps)
	say ("Zelk's MIDI out: %d events: %d note-ons, %d note-offs, %d pitch bends, %d channel pressure, %d control changes (%d MPE configurations), %d other",
		r.events, r.ons, r.offs, r.bends, r.pressure, r.cc, r.configs, r.other)
	say ("Zelk's audio out: peak %.4f (%.1f dBFS), %d blocks above -60 dBFS", r.peak,
		r.peak > 0 and 20 * math.log (r.peak, 10) or -math.huge, r.audible)
	return r
end

-- Compares the notes that came out with those the pattern holds.
local function check_notes (r)
	local expected = {}
	for _, n in ipairs (NOTES) do
		expected[#expected + 1] = { on = n.start * BEAT, off = (n.start + n.duration) * BEAT, key = n.pitch }
	end
	local extra = {}
	for _, e in ipairs (r.log) do
		local on = (e.status >> 4) == 9 and e.velocity > 0
		local what = string.format ("%s key %d ch %d at sample %d (block %d)", on and "on " or "off",
			e.key, (e.status & 15) + 1, e.at, e.at // 1024)
		local matched = false
		for _, x in ipairs (expected) do
			-- Ardour gives the song position in 1/1920 beats: allow a tick either way
			if x.key == e.key and math.abs ((on and x.on or x.off) - e.at) <= BEAT / 1920 + 1 then
				matched = true
				if on then x.seen_on = true else x.seen_off = true end
			end
		end
		say ("  note %s%s", what, matched and "" or "   <- not in the pattern here")
		if not matched and on then extra[#extra + 1] = e.at end
	end
	for _, x in ipairs (expected) do
		if not x.seen_on then fail ("no note-on of key %d at sample %d", x.key, x.on) end
		if not x.seen_off then fail ("no note-off of key %d at sample %d", x.key, x.off) end
	end
	if #extra > 0 then
		local at = {}
		for _, a in ipairs (extra) do at[#at + 1] = tostring (a) end
		fail ("%d note(s) attacked again while held, at samples %s", #extra, table.concat (at, ", "))
	end
end

if phase == "create" then
	for _, n in ipairs (NOTES) do
		set (note_label (n, "pitch"), n.pitch, table.unpack (RANGES.pitch))
		set (note_label (n, "start"), n.start, table.unpack (RANGES.start))
		set (note_label (n, "duration"), n.duration, table.unpack (RANGES.duration))
		set (note_label (n, "enabled"), 1, table.unpack (RANGES.enabled))
	end
	say ("pattern set through the parameters: key 60 at beat 0 for 1 beat, key 64 at beat 2 for 2 beats")
	say ("switches: Sequence enabled %g, Loop enabled %g, Listen synth %g",
		get ("Sequence enabled", 0, 1), get ("Loop enabled", 0, 1), get ("Listen synth", 0, 1))

	local r = roll (5)
	check_notes (r)
	if r.configs < 1 then fail ("no MPE configuration at the start") end
	if r.audible == 0 then fail ("no audio from the listen synth") end

	set ("Listen synth", 0, 0, 1)
	say ("Listen synth off")
	r = roll (2.5)
	if r.ons == 0 then fail ("no MIDI with the listen synth off") end
	if r.peak > 0 then fail ("audio with the listen synth off (peak %g)", r.peak) end
	set ("Listen synth", 1, 0, 1)

	local before = clock ()
	local saved = Session:save_state ("", false, false, false, false, false)
	say ("saved (%s) in %.2f s", saved == 0 and "ok" or ("error " .. saved), (clock () - before) / 1e6)
	if saved ~= 0 then fail ("the session was not saved") end
else
	for _, n in ipairs (NOTES) do
		local seen = {}
		for field, range in pairs (RANGES) do
			local v = get (note_label (n, field), table.unpack (range))
			local want = field == "enabled" and 1 or n[field]
			seen[#seen + 1] = string.format ("%s %g", field, v)
			if math.abs (v - want) > 0.001 then fail ("%s is %g after reloading, was set to %g", note_label (n, field), v, want) end
		end
		table.sort (seen)
		say ("reloaded note %d: %s", n.slot, table.concat (seen, ", "))
	end
	say ("reloaded switches: Listen synth %g", get ("Listen synth", 0, 1))
	local r = roll (5)
	check_notes (r)
end
finish ()
