-- Drives a headless Ardour session for the LV2 session test.
--
--   ardour7-lua session.lua create DIR NAME RATE URI
--       new session on the Dummy backend, one stereo track wired to the master
--       bus, the LV2 plug-in URI inserted on it; reports the catalogue entry
--       and the instance.
--   ardour7-lua session.lua update DIR NAME [INDEX=VALUE...]
--       loads the session, reports the engine and the instance as reloaded,
--       sets parameters by index, reports the instance again and saves.
--
-- Reports are lines "@<TAB>kind<TAB>field..."; numbers have 17 significant
-- digits so that a float survives exactly.

local function report(kind, ...)
    local fields = { "@", kind }
    for _, v in ipairs({ ... }) do
        fields[#fields + 1] = type(v) == "number" and string.format("%.17g", v) or tostring(v)
    end
    print(table.concat(fields, "\t"))
end

local function fail(message)
    print("session.lua: " .. message)
    os.exit(1)
end

local function start_engine()
    if AudioEngine:set_backend("None (Dummy)", "", "") == nil then
        fail("the Dummy backend is not available")
    end
end

local function report_instance(proc)
    local insert = proc:to_insert()
    local plugin = insert:plugin(0)
    report("instance", plugin:name(), plugin:maker(), plugin:unique_id(), plugin:parameter_count(),
        insert:input_streams():n_audio(), insert:output_streams():n_audio())
    -- An LV2 plug-in counts all its ports as parameters; the controls are what hosts save.
    for i = 0, plugin:parameter_count() - 1 do
        if plugin:parameter_is_control(i) and plugin:parameter_is_input(i) then
            local desc = ARDOUR.ParameterDescriptor()
            plugin:get_parameter_descriptor(i, desc)
            local value = ARDOUR.LuaAPI.get_processor_param(proc, i)  -- controls come first: index = port
            report("parameter", i, plugin:parameter_label(i), desc.lower, desc.upper, desc.normal, value)
        end
    end
end

local function create(dir, name, rate, uri)
    start_engine()
    if create_session(dir, name, tonumber(rate)) == nil then
        fail("cannot create session " .. dir)
    end
    for info in ARDOUR.LuaAPI.list_plugins():iter() do
        if info.type == ARDOUR.PluginType.LV2 and info.unique_id == uri then
            report("catalogue", info.name, info.creator, info.category,
                info.n_inputs:n_audio(), info.n_outputs:n_audio())
        end
    end
    local track = Session:new_audio_track(2, 2, nil, 1, "Glowmarsh test",
        ARDOUR.PresentationInfo.max_order, ARDOUR.TrackMode.Normal, false, false):front()
    -- Wired here: Ardour connects a new track in the background, which a quick save can miss.
    local master_in = Session:master_out():input()
    track:input():disconnect_all(nil)
    track:output():disconnect_all(nil)
    for i = 0, 1 do
        if track:output():audio(i):connect(master_in:audio(i):name()) ~= 0 then
            fail("cannot connect the track to the master bus")
        end
    end
    local proc = ARDOUR.LuaAPI.new_plugin(Session, uri, ARDOUR.PluginType.LV2, "")
    if proc:isnil() then
        fail("Ardour cannot instantiate " .. uri)
    end
    if track:add_processor_by_index(proc, 0, nil, true) ~= 0 then
        fail("Ardour refuses to insert " .. uri .. " on a stereo track")
    end
    report_instance(proc)
    Session:save_state("", false, false, false, false, false)
    close_session()
end

local function update(dir, name, edits)
    start_engine()
    if load_session(dir, name) == nil then
        fail("cannot load session " .. dir)
    end
    report("engine", Session:nominal_sample_rate(), Session:get_block_size())
    local tracks = {}
    for track in Session:get_tracks():iter() do
        tracks[#tracks + 1] = track
    end
    if #tracks ~= 1 then
        fail("expected one track, found " .. #tracks)
    end
    local proc = tracks[1]:nth_plugin(0)
    if proc:isnil() then
        fail("the reloaded track has lost its plug-in")
    end
    report_instance(proc)
    for _, edit in ipairs(edits) do
        local index, value = edit:match("^(%d+)=(.+)$")
        if not (index and ARDOUR.LuaAPI.set_processor_param(proc, tonumber(index), tonumber(value))) then
            fail("cannot apply " .. edit)
        end
    end
    report_instance(proc)
    Session:save_state("", false, false, false, false, false)
    close_session()
end

local command = arg[1]
if command == "create" and #arg == 5 then
    create(arg[2], arg[3], arg[4], arg[5])
elseif command == "update" and #arg >= 3 then
    update(arg[2], arg[3], { table.unpack(arg, 4) })
else
    fail("usage: session.lua create DIR NAME RATE URI | update DIR NAME [INDEX=VALUE]...")
end
