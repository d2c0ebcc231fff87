ardour {
	["type"]    = "dsp",
	name        = "Zelk Probe",
	category    = "Utility",
	license     = "MIT",
	author      = "Zelk",
	description = [[Passes audio and MIDI through unchanged and counts what comes by, for try-in-ardour.lua to read]]
}

-- Shared memory, as 32-bit ints (Lua indices from 1):
--  1 MIDI events           2 note-ons             3 note-offs           4 pitch bends
--  5 channel pressure      6 control changes      7 other events        8 MPE configuration messages
--  9 blocks run           10 blocks with audio above -60 dBFS
-- 11 audio peak (a float)
-- 12 blocks run while the transport rolled        13 of those that did not start where the one
--                                                    before ended (the host jumped)
-- 14 smallest block       15 largest block        16 transport sample after the last rolling block
-- 17 note log length      18.. note log: transport sample, status, key, velocity (4 ints each)
local LOG = 64
local N = 17 + LOG * 4

function dsp_ioconfig ()
	return { { midi_in = 1, midi_out = 1, audio_in = -1, audio_out = -1 }, }
end

function dsp_init (rate)
	self:shmem ():allocate (N)
	self:shmem ():clear ()
end

function dsp_configure (ins, outs)
	n_out = outs
	n_audio = ins:n_audio ()
end

function dsp_runmap (bufs, in_map, out_map, n_samples, offset)
	ARDOUR.DSP.process_map (bufs, n_out, in_map, out_map, n_samples, offset)
	local shm = self:shmem ()
	local s = shm:to_int (0):array ()
	local f = shm:to_float (0):array ()
	local now = Session:transport_sample ()
	s[9] = s[9] + 1

	if Session:transport_rolling () then
		if s[12] > 0 and now ~= s[16] then s[13] = s[13] + 1 end
		if s[12] == 0 or n_samples < s[14] then s[14] = n_samples end
		if n_samples > s[15] then s[15] = n_samples end
		s[12] = s[12] + 1
		s[16] = now + n_samples
	end

	local peak = 0
	for c = 1, n_audio do
		local ib = in_map:get (ARDOUR.DataType ("audio"), c - 1)
		if ib ~= ARDOUR.ChanMapping.Invalid then
			peak = ARDOUR.DSP.compute_peak (bufs:get_audio (ib):data (offset), n_samples, peak)
		end
	end
	if peak > 0.001 then s[10] = s[10] + 1 end
	if peak > f[11] then f[11] = peak end

	local mb = in_map:get (ARDOUR.DataType ("midi"), 0)
	if mb == ARDOUR.ChanMapping.Invalid then return end
	for _, e in pairs (bufs:get_midi (mb):table ()) do
		local d = e:buffer ():array ()
		local size = e:size ()
		local kind = d[1] >> 4
		s[1] = s[1] + 1
		if (kind == 8 or kind == 9) and size > 2 then
			if kind == 9 and d[3] > 0 then s[2] = s[2] + 1 else s[3] = s[3] + 1 end
			if s[17] < LOG then
				local b = 18 + s[17] * 4
				s[b] = now + e:time (); s[b + 1] = d[1]; s[b + 2] = d[2]; s[b + 3] = d[3]
				s[17] = s[17] + 1
			end
		elseif kind == 14 then s[4] = s[4] + 1
		elseif kind == 13 then s[5] = s[5] + 1
		elseif kind == 11 then
			s[6] = s[6] + 1
			-- RPN 6 (MPE configuration) selected on the zone's master channel
			if d[1] == 0xB0 and size > 2 and d[2] == 100 and d[3] == 6 then s[8] = s[8] + 1 end
		else s[7] = s[7] + 1 end
	end
end
