-- The server side of the object interface on PostgreSQL.
--
-- Workstations connect as a role that may execute the functions of schema
-- arbeitsplatz and nothing else: no table, no other schema, no temporary
-- tables. Each function runs with the rights of its owner (the owner of the
-- tables), with a pinned search_path, and checks its arguments itself, since
-- anyone who has a workstation's password can call it from psql. Helpers live
-- in schema intern, which workstations cannot reach.
--
-- Run by the owner in the upgrade's transaction; every statement may run
-- again, so a later version replaces what an earlier one made.

CREATE SCHEMA IF NOT EXISTS arbeitsplatz;
CREATE SCHEMA IF NOT EXISTS intern;

-- Nothing for everybody: roles get what karven-admin grant gives them.
REVOKE ALL ON SCHEMA public, arbeitsplatz, intern FROM PUBLIC;
DO $$ BEGIN EXECUTE format('REVOKE ALL ON DATABASE %I FROM PUBLIC', current_database()); END $$;
ALTER DEFAULT PRIVILEGES REVOKE EXECUTE ON FUNCTIONS FROM PUBLIC;

-- Helpers ---------------------------------------------------------------

-- Now as the log and the bookings keep it: yyyymmddhhmmss.
CREATE OR REPLACE FUNCTION intern.jetzt() RETURNS text
LANGUAGE plpgsql STABLE SET search_path = pg_catalog, pg_temp AS $$
BEGIN
    RETURN to_char(localtimestamp, 'YYYYMMDDHH24MISS');
END $$;

-- Errors carry the engine's error number as SQLSTATE K<number>; the engine
-- raises them with that number and the message.
CREATE OR REPLACE FUNCTION intern.ablehnen(nummer text, meldung text) RETURNS void
LANGUAGE plpgsql SET search_path = pg_catalog, pg_temp AS $$
BEGIN
    RAISE EXCEPTION USING ERRCODE = 'K' || nummer, MESSAGE = meldung;
END $$;

-- The card field of a booking text: ten characters, right-aligned; empty when
-- the card is empty or longer. A full field is taken as it stands.
CREATE OR REPLACE FUNCTION intern.kartenfeld(karte text) RETURNS text
LANGUAGE plpgsql IMMUTABLE SET search_path = pg_catalog, pg_temp AS $$
DECLARE
    ohne_rand text := btrim(coalesce(karte, ''), E' \t\n\r\f\v');
BEGIN
    IF ohne_rand = '' OR length(ohne_rand) > 10 THEN
        RETURN '';
    END IF;
    RETURN CASE WHEN length(karte) = 10 THEN karte ELSE lpad(ohne_rand, 10) END;
END $$;

-- A workstation whose server context names a company works on that company only.
CREATE OR REPLACE FUNCTION intern.firma_des_arbeitsplatzes(firma text, kontext_firma text) RETURNS void
LANGUAGE plpgsql SET search_path = pg_catalog, pg_temp AS $$
BEGIN
    IF kontext_firma IS NOT NULL AND btrim(kontext_firma) <> firma THEN
        PERFORM intern.ablehnen('5301', format('Firma %s ist nicht die Firma dieses Arbeitsplatzes (%s)',
                                               left(firma, 40), left(btrim(kontext_firma), 40)));
    END IF;
END $$;

CREATE OR REPLACE FUNCTION intern.mitarbeiter_pruefen(p_firma text, p_pnr text) RETURNS void
LANGUAGE plpgsql SET search_path = public, pg_temp AS $$
BEGIN
    IF NOT EXISTS (SELECT 1 FROM persbasis b WHERE b.firma = p_firma AND b.pnr = p_pnr) THEN
        PERFORM intern.ablehnen('5301', format('Mitarbeiter %s der Firma %s existiert nicht',
                                               left(p_pnr, 40), left(p_firma, 40)));
    END IF;
END $$;

CREATE OR REPLACE FUNCTION intern.karte_umhaengen(p_firma text, p_karte text, p_pnr text, p_von text, p_am text)
RETURNS void LANGUAGE plpgsql SET search_path = public, pg_temp AS $$
BEGIN
    UPDATE karte k SET pnr = p_pnr, zugeordnet_von = p_von, zugeordnet_am = p_am
     WHERE k.firma = p_firma AND k.karte = p_karte;
END $$;

-- Appends an assignment to the log; its id.
CREATE OR REPLACE FUNCTION intern.protokollieren(p_firma text, p_karte text, p_vorher text, p_pnr text,
                                                 p_art text, p_von text, p_am text)
RETURNS bigint LANGUAGE plpgsql SET search_path = public, pg_temp AS $$
DECLARE
    neu bigint;
BEGIN
    INSERT INTO kartenzuordnung (firma, karte, pnr_vorher, pnr, art, von, am)
    VALUES (p_firma, p_karte, p_vorher, p_pnr, p_art, p_von, p_am) RETURNING id INTO neu;
    RETURN neu;
END $$;

-- Reading objects: the members the program reads, by key -------------------

CREATE OR REPLACE FUNCTION arbeitsplatz.schemaversion() RETURNS integer
LANGUAGE plpgsql STABLE SECURITY DEFINER SET search_path = public, pg_temp AS $$
BEGIN
    RETURN (SELECT max(s.version) FROM schemaversion s);
END $$;

CREATE OR REPLACE FUNCTION arbeitsplatz.parpersedv(p_firma text, p_code text)
RETURNS TABLE (passwort text, aktiv text, pname text, pnr text, abtnr text, dw text, bergrp text)
LANGUAGE plpgsql STABLE SECURITY DEFINER SET search_path = public, pg_temp AS $$
BEGIN
    RETURN QUERY SELECT e.passwort, e.aktiv, e.pname, e.pnr, e.abtnr, e.dw, e.bergrp
                   FROM parpersedv e WHERE e.firma = p_firma AND e.code = p_code;
END $$;

CREATE OR REPLACE FUNCTION arbeitsplatz.parpersabt(p_firma text, p_abtnr text)
RETURNS TABLE (abtbez text, abtnr text, habtnr text)
LANGUAGE plpgsql STABLE SECURITY DEFINER SET search_path = public, pg_temp AS $$
BEGIN
    RETURN QUERY SELECT a.abtbez, a.abtnr, a.habtnr FROM parpersabt a
                  WHERE a.firma = p_firma AND a.abtnr = p_abtnr;
END $$;

CREATE OR REPLACE FUNCTION arbeitsplatz.persbasis(p_firma text, p_pnr text)
RETURNS TABLE (name text, vorname text, aktiv text, fax text, email text)
LANGUAGE plpgsql STABLE SECURITY DEFINER SET search_path = public, pg_temp AS $$
BEGIN
    RETURN QUERY SELECT b.name, b.vorname, b.aktiv, b.fax, b.email FROM persbasis b
                  WHERE b.firma = p_firma AND b.pnr = p_pnr;
END $$;

CREATE OR REPLACE FUNCTION arbeitsplatz.nopers(p_id bigint)
RETURNS TABLE (firma text, karte text, buchungstext text)
LANGUAGE plpgsql STABLE SECURITY DEFINER SET search_path = public, pg_temp AS $$
BEGIN
    RETURN QUERY SELECT n.firma, n.karte, n.buchungstext FROM nopers n WHERE n.id = p_id;
END $$;

CREATE OR REPLACE FUNCTION arbeitsplatz.kassasw(p_id bigint)
RETURNS TABLE (name text, firma text, fil text, ip text, port text, namespace text, type integer)
LANGUAGE plpgsql STABLE SECURITY DEFINER SET search_path = public, pg_temp AS $$
BEGIN
    RETURN QUERY SELECT s.name, s.firma, s.fil, s.ip, s.port, s.namespace, s.type FROM kassasw s
                  WHERE s.id = p_id;
END $$;

-- Queries --------------------------------------------------------------------

-- The third parameter is reserved by the server and not evaluated.
CREATE OR REPLACE FUNCTION arbeitsplatz.userviapasswort(p_passwort text, p_firma text, p_reserviert text)
RETURNS TABLE (code text)
LANGUAGE plpgsql STABLE SECURITY DEFINER SET search_path = public, pg_temp AS $$
BEGIN
    RETURN QUERY SELECT e.code FROM parpersedv e
                  WHERE e.passwort = p_passwort AND e.firma = p_firma AND p_reserviert IS NOT NULL
                  ORDER BY e.code;
END $$;

CREATE OR REPLACE FUNCTION arbeitsplatz.listeaktiv(p_firma text)
RETURNS TABLE (pnr text, name text)
LANGUAGE plpgsql STABLE SECURITY DEFINER SET search_path = public, pg_temp AS $$
BEGIN
    RETURN QUERY SELECT b.pnr, b.name || ', ' || b.vorname FROM persbasis b
                  WHERE b.firma = p_firma AND b.aktiv = 'J' ORDER BY b.name, b.vorname, b.pnr;
END $$;

-- The open bookings of the company, or all of them without one. Two
-- statements, so that each keeps its own plan on the partial indexes.
CREATE OR REPLACE FUNCTION arbeitsplatz.nopers_liste(p_firma text)
RETURNS TABLE (id bigint, buchungstext text)
LANGUAGE plpgsql STABLE SECURITY DEFINER SET search_path = public, pg_temp AS $$
BEGIN
    IF p_firma IS NULL THEN
        RETURN QUERY SELECT n.id, n.buchungstext FROM nopers n WHERE n.erledigt_am IS NULL ORDER BY n.id;
    ELSE
        RETURN QUERY SELECT n.id, n.buchungstext FROM nopers n
                      WHERE n.erledigt_am IS NULL AND n.firma = p_firma ORDER BY n.id;
    END IF;
END $$;

CREATE OR REPLACE FUNCTION arbeitsplatz.nopers_anzahlneu(p_nach bigint, p_firma text) RETURNS bigint
LANGUAGE plpgsql STABLE SECURITY DEFINER SET search_path = public, pg_temp AS $$
BEGIN
    IF p_firma IS NULL THEN
        RETURN (SELECT count(*) FROM nopers n WHERE n.erledigt_am IS NULL AND n.id > p_nach);
    END IF;
    RETURN (SELECT count(*) FROM nopers n WHERE n.erledigt_am IS NULL AND n.id > p_nach AND n.firma = p_firma);
END $$;

CREATE OR REPLACE FUNCTION arbeitsplatz.karteninhaber(p_firma text, p_karte text)
RETURNS TABLE (pnr text, name text, von text, am text)
LANGUAGE plpgsql STABLE SECURITY DEFINER SET search_path = public, pg_temp AS $$
BEGIN
    RETURN QUERY SELECT k.pnr, COALESCE(p.name || ', ' || p.vorname, ''), k.zugeordnet_von, k.zugeordnet_am
                   FROM karte k LEFT JOIN persbasis p ON p.firma = k.firma AND p.pnr = k.pnr
                  WHERE k.firma = btrim(p_firma) AND btrim(k.karte) = btrim(p_karte);
END $$;

-- The second parameter is reserved by the server and not evaluated.
CREATE OR REPLACE FUNCTION arbeitsplatz.connstrg(p_type integer, p_reserviert text)
RETURNS TABLE (id integer, name text)
LANGUAGE plpgsql STABLE SECURITY DEFINER SET search_path = public, pg_temp AS $$
BEGIN
    RETURN QUERY SELECT s.id, s.name FROM kassasw s
                  WHERE s.type = p_type AND p_reserviert IS NOT NULL ORDER BY s.id;
END $$;

CREATE OR REPLACE FUNCTION arbeitsplatz.filialen(p_firma text)
RETURNS TABLE (fil text, name text)
LANGUAGE plpgsql STABLE SECURITY DEFINER SET search_path = public, pg_temp AS $$
BEGIN
    RETURN QUERY SELECT s.fil, s.name FROM kassasw s
                  WHERE s.firma = btrim(p_firma) AND s.type = 0 ORDER BY s.id;
END $$;

-- The assignment log newest first, the last 1000; an empty card, employee or
-- day matches any, a null company every company.
CREATE OR REPLACE FUNCTION arbeitsplatz.zuordnungen(p_karte text, p_pnr text, p_tag text, p_firma text)
RETURNS TABLE (id bigint, am text, karte text, pnr_vorher text, pnr text, name text, art text, von text,
               buchungen bigint)
LANGUAGE plpgsql STABLE SECURITY DEFINER SET search_path = public, pg_temp AS $$
BEGIN
    RETURN QUERY
    SELECT z.id, z.am, z.karte, z.pnr_vorher, z.pnr, COALESCE(p.name || ', ' || p.vorname, ''), z.art, z.von,
           (SELECT count(*) FROM kartenzuordnung_buchung b WHERE b.zuordnung_id = z.id)
           + (SELECT count(*) FROM kartenzuordnung_zeitbuchung t WHERE t.zuordnung_id = z.id)
      FROM kartenzuordnung z LEFT JOIN persbasis p ON p.firma = z.firma AND p.pnr = z.pnr
     WHERE btrim(z.karte) = COALESCE(NULLIF(btrim(p_karte), ''), btrim(z.karte))
       AND COALESCE(NULLIF(btrim(p_pnr), ''), z.pnr) IN (z.pnr, z.pnr_vorher)
       AND substr(z.am, 1, 8) = COALESCE(NULLIF(btrim(p_tag), ''), substr(z.am, 1, 8))
       AND (p_firma IS NULL OR z.firma = p_firma)
     ORDER BY z.id DESC LIMIT 1000;
END $$;

-- The server command's reads: a global node, null when it has no value.
CREATE OR REPLACE FUNCTION arbeitsplatz.globalwert(p_name text, p_subscripts text) RETURNS text
LANGUAGE plpgsql STABLE SECURITY DEFINER SET search_path = public, pg_temp AS $$
BEGIN
    RETURN (SELECT g.value FROM globale g WHERE g.name = p_name AND g.subscripts = p_subscripts);
END $$;

-- Changes --------------------------------------------------------------------

-- Saves a server entry (the program's server list); the number of entries saved.
CREATE OR REPLACE FUNCTION arbeitsplatz.kassasw_speichern(p_id bigint, p_name text, p_firma text, p_fil text,
                                                          p_ip text, p_port text, p_namespace text,
                                                          p_type integer)
RETURNS integer LANGUAGE plpgsql SECURITY DEFINER SET search_path = public, pg_temp AS $$
DECLARE
    gespeichert integer;
BEGIN
    UPDATE kassasw s SET name = p_name, firma = p_firma, fil = p_fil, ip = p_ip, port = p_port,
                         namespace = p_namespace, type = p_type
     WHERE s.id = p_id;
    GET DIAGNOSTICS gespeichert = ROW_COUNT;
    RETURN gespeichert;
END $$;

-- Marks an unassigned booking done, once; one of another company than the
-- workstation's stays as it is.
CREATE OR REPLACE FUNCTION arbeitsplatz.nopers_loeschen(p_id bigint, p_kontext_firma text) RETURNS void
LANGUAGE plpgsql SECURITY DEFINER SET search_path = public, pg_temp AS $$
BEGIN
    UPDATE nopers n SET erledigt_am = intern.jetzt()
     WHERE n.id = p_id AND n.erledigt_am IS NULL
       AND (p_kontext_firma IS NULL OR n.firma = btrim(p_kontext_firma));
END $$;

-- Makes the card the employee's card in the company and books the card's open
-- unassigned bookings as the employee's time bookings, logged with the
-- server context's PERSONAL. p_inhaber_gesehen: the holder the caller saw
-- (empty: nobody), null when the caller does not know. The company as kept.
CREATE OR REPLACE FUNCTION arbeitsplatz.setkarte(p_firma text, p_pnr text, p_karte text, p_inhaber_gesehen text,
                                                 p_kontext_firma text, p_personal text)
RETURNS text LANGUAGE plpgsql SECURITY DEFINER SET search_path = public, pg_temp AS $$
DECLARE
    v_firma text := btrim(coalesce(p_firma, ''));
    v_pnr text := btrim(coalesce(p_pnr, ''));
    v_karte text := intern.kartenfeld(p_karte);
    v_von text := coalesce(p_personal, '');
    v_am text := intern.jetzt();
    v_inhaber text := '';
    v_id bigint;
BEGIN
    IF p_karte ~ '[\x01-\x1f\x7f-\x9f]' THEN
        PERFORM intern.ablehnen('5301', 'Die Kartennummer enthält Steuerzeichen (Zeilenumbruch, Tabulator o. ä.)');
    END IF;
    IF v_karte = '' THEN
        PERFORM intern.ablehnen('5301', format('Ungültige Kartennummer "%s"', left(coalesce(p_karte, ''), 40)));
    END IF;
    PERFORM intern.firma_des_arbeitsplatzes(v_firma, p_kontext_firma);
    PERFORM intern.mitarbeiter_pruefen(v_firma, v_pnr);
    -- A second workstation taking the same card waits here for the first one's
    -- transaction and then finds its holder.
    INSERT INTO karte (firma, karte, pnr, zugeordnet_von, zugeordnet_am)
    VALUES (v_firma, v_karte, v_pnr, v_von, v_am) ON CONFLICT (firma, karte) DO NOTHING;
    IF NOT FOUND THEN
        SELECT k.pnr INTO v_inhaber FROM karte k WHERE k.firma = v_firma AND k.karte = v_karte FOR UPDATE;
    END IF;
    IF v_inhaber NOT IN ('', v_pnr) AND p_inhaber_gesehen IS NOT NULL AND v_inhaber <> btrim(p_inhaber_gesehen) THEN
        PERFORM intern.ablehnen('5302', format('Karte %s gehört inzwischen Mitarbeiter %s', btrim(v_karte), v_inhaber));
    END IF;
    IF v_inhaber NOT IN ('', v_pnr) THEN
        PERFORM intern.karte_umhaengen(v_firma, v_karte, v_pnr, v_von, v_am);
    END IF;
    v_id := intern.protokollieren(v_firma, v_karte, v_inhaber, v_pnr,
                                  CASE WHEN v_inhaber IN ('', v_pnr) THEN 'Z' ELSE 'W' END, v_von, v_am);
    -- Confirmed against the holder seen: the time that came from the card's
    -- unassigned bookings moves with the card.
    IF v_inhaber NOT IN ('', v_pnr) AND p_inhaber_gesehen IS NOT NULL THEN
        INSERT INTO kartenzuordnung_buchung (zuordnung_id, nopers_id, umgebucht)
        SELECT v_id, t.nopers_id, 1 FROM zeitbuchung t
         WHERE t.firma = v_firma AND t.karte = v_karte AND t.pnr = v_inhaber AND t.nopers_id IS NOT NULL;
        UPDATE zeitbuchung t SET pnr = v_pnr
         WHERE t.firma = v_firma AND t.karte = v_karte AND t.pnr = v_inhaber AND t.nopers_id IS NOT NULL;
    END IF;
    INSERT INTO zeitbuchung (firma, pnr, karte, zeitpunkt, buchungstext, nopers_id)
    SELECT n.firma, v_pnr, n.karte, substr(n.buchungstext, 31, 12), n.buchungstext, n.id FROM nopers n
     WHERE n.firma = v_firma AND n.karte = v_karte AND n.erledigt_am IS NULL
        ON CONFLICT (nopers_id) DO NOTHING;
    INSERT INTO kartenzuordnung_buchung (zuordnung_id, nopers_id, umgebucht)
    SELECT v_id, n.id, 0 FROM nopers n WHERE n.firma = v_firma AND n.karte = v_karte AND n.erledigt_am IS NULL;
    UPDATE nopers n SET erledigt_am = v_am WHERE n.firma = v_firma AND n.karte = v_karte AND n.erledigt_am IS NULL;
    RETURN v_firma;
END $$;

-- Corrects a wrong assignment from the log: the card and the time bookings the
-- wrong employee got by it go to the employee, logged as a correction (K).
-- Only users of group A may; only the card's last assignment, while its
-- employee holds the card.
CREATE OR REPLACE FUNCTION arbeitsplatz.korrigieren(p_id bigint, p_pnr text, p_kontext_firma text, p_personal text)
RETURNS void LANGUAGE plpgsql SECURITY DEFINER SET search_path = public, pg_temp AS $$
DECLARE
    v_pnr text := btrim(coalesce(p_pnr, ''));
    v_von text := coalesce(p_personal, '');
    v_am text := intern.jetzt();
    v_falsch record;
    v_id bigint;
BEGIN
    -- Another company's entries are not there for this workstation.
    SELECT z.firma, z.karte, z.pnr, z.am, k.pnr AS inhaber,
           (SELECT max(l.id) FROM kartenzuordnung l WHERE l.firma = z.firma AND l.karte = z.karte) AS letzte
      INTO v_falsch
      FROM kartenzuordnung z JOIN karte k ON k.firma = z.firma AND k.karte = z.karte
     WHERE z.id = p_id AND (p_kontext_firma IS NULL OR z.firma = btrim(p_kontext_firma))
       FOR UPDATE OF k;
    IF NOT FOUND THEN
        PERFORM intern.ablehnen('5301', format('Zuordnung %s existiert nicht', p_id));
    END IF;
    IF coalesce(btrim((SELECT e.bergrp FROM parpersedv e WHERE e.firma = v_falsch.firma
                          AND e.code = translate(upper(btrim(v_von)), 'äöüßÄÖÜ§', '{|}~[\]õ'))), '') <> 'A' THEN
        PERFORM intern.ablehnen('5303', 'Zuordnungen korrigieren dürfen nur Benutzer der Gruppe A');
    END IF;
    IF v_falsch.letzte <> p_id OR v_falsch.inhaber <> v_falsch.pnr THEN
        PERFORM intern.ablehnen('5301', format('Die Karte %s wurde seither neu zugeordnet; bitte die Liste neu lesen',
                                               btrim(v_falsch.karte)));
    END IF;
    IF v_pnr = v_falsch.pnr THEN
        PERFORM intern.ablehnen('5301', format('Die Karte %s gehört bereits Mitarbeiter %s', btrim(v_falsch.karte), v_pnr));
    END IF;
    PERFORM intern.mitarbeiter_pruefen(v_falsch.firma, v_pnr);
    PERFORM intern.karte_umhaengen(v_falsch.firma, v_falsch.karte, v_pnr, v_von, v_am);
    v_id := intern.protokollieren(v_falsch.firma, v_falsch.karte, v_falsch.pnr, v_pnr, 'K', v_von, v_am);
    -- The wrong employee's time of the card: from the unassigned bookings the
    -- assignment booked or moved, and the card's own swipes since.
    INSERT INTO kartenzuordnung_zeitbuchung (zuordnung_id, zeitbuchung_id)
    SELECT v_id, t.id FROM zeitbuchung t
     WHERE t.firma = v_falsch.firma AND t.karte = v_falsch.karte AND t.pnr = v_falsch.pnr
       AND (t.nopers_id IN (SELECT b.nopers_id FROM kartenzuordnung_buchung b WHERE b.zuordnung_id = p_id)
            OR (t.nopers_id IS NULL AND t.zeitpunkt >= left(v_falsch.am, 12)));
    UPDATE zeitbuchung t SET pnr = v_pnr
     WHERE t.id IN (SELECT m.zeitbuchung_id FROM kartenzuordnung_zeitbuchung m WHERE m.zuordnung_id = v_id);
END $$;

-- Made after the functions, so that none of them stays open to everybody.
REVOKE ALL ON ALL FUNCTIONS IN SCHEMA public, arbeitsplatz, intern FROM PUBLIC;
